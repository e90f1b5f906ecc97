#include "PropertyStream.h"

#include <oleauto.h>

namespace {

const ULONG kLongestText = 0x100000;

// Payload size of the fixed-size variant types; 0 for the others.
ULONG FixedPayload(VARTYPE type)
{
    switch (type) {
    case VT_I1: case VT_UI1:
        return 1;
    case VT_I2: case VT_UI2: case VT_BOOL:
        return 2;
    case VT_I4: case VT_UI4: case VT_R4: case VT_INT: case VT_UINT: case VT_ERROR:
        return 4;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8:
        return 8;
    default:
        return 0;
    }
}

// A text record: a count N (0 = null text; else the text's bytes + 2), the text, a zero terminator.
HRESULT ReadTextPayload(IStream* stream, BSTR* text)
{
    ULONG count = 0;
    HRESULT hr = ReadExactly(stream, &count, sizeof(count));
    if (FAILED(hr))
        return hr;
    if (count == 0) {
        *text = nullptr;
        return S_OK;
    }
    if (count < 2)
        return E_FAIL;
    if (count > kLongestText)
        return E_ACCESSDENIED;
    BSTR buffer = SysAllocStringByteLen(nullptr, count - 2);
    if (!buffer)
        return E_OUTOFMEMORY;
    hr = ReadExactly(stream, buffer, count - 2);
    WCHAR terminator = 1;
    if (SUCCEEDED(hr))
        hr = ReadExactly(stream, &terminator, sizeof(terminator));
    if (SUCCEEDED(hr) && terminator != 0)
        hr = E_FAIL;
    if (FAILED(hr)) {
        SysFreeString(buffer);
        return hr;
    }
    *text = buffer;
    return S_OK;
}

HRESULT WriteTextPayload(IStream* stream, BSTR text)
{
    ULONG bytes = SysStringByteLen(text);
    ULONG count = text ? bytes + 2 : 0;
    HRESULT hr = WriteAll(stream, &count, sizeof(count));
    if (SUCCEEDED(hr) && text) {
        hr = WriteAll(stream, text, bytes);
        WCHAR terminator = 0;
        if (SUCCEEDED(hr))
            hr = WriteAll(stream, &terminator, sizeof(terminator));
    }
    return hr;
}

} // namespace

HRESULT ReadExactly(IStream* stream, void* data, ULONG count)
{
    ULONG got = 0;
    HRESULT hr = stream->Read(data, count, &got);
    if (FAILED(hr))
        return hr;
    return hr == S_OK && got == count ? S_OK : E_FAIL;
}

HRESULT WriteAll(IStream* stream, const void* data, ULONG count)
{
    ULONG put = 0;
    HRESULT hr = stream->Write(data, count, &put);
    if (FAILED(hr))
        return hr;
    return put == count ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT ReadPropertyRecord(IStream* stream, VARIANT* value)
{
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER tag = {};
    bool knowTag = SUCCEEDED(stream->Seek(zero, STREAM_SEEK_CUR, &tag));
    VARTYPE type = VT_EMPTY;
    HRESULT hr = ReadExactly(stream, &type, sizeof(type));
    if (FAILED(hr))
        return hr;
    if (ULONG size = FixedPayload(type)) {
        hr = ReadExactly(stream, &V_UI1(value), size);
        if (SUCCEEDED(hr))
            V_VT(value) = type;
        return hr;
    }
    // Every other type travels as text; a failed record leaves the stream at its type tag.
    BSTR text = nullptr;
    hr = ReadTextPayload(stream, &text);
    if (FAILED(hr)) {
        if (knowTag) {
            LARGE_INTEGER back;
            back.QuadPart = static_cast<LONGLONG>(tag.QuadPart);
            stream->Seek(back, STREAM_SEEK_SET, nullptr);
        }
        return hr;
    }
    V_VT(value) = VT_BSTR;
    V_BSTR(value) = text;
    if (type != VT_BSTR) {
        hr = VariantChangeType(value, value, 0, type);
        if (FAILED(hr))
            VariantClear(value);
    }
    return hr;
}

ULONG PropertyRecordSize(const VARIANT& value)
{
    if (ULONG size = FixedPayload(V_VT(&value)))
        return sizeof(VARTYPE) + size;
    return sizeof(VARTYPE) + sizeof(ULONG) + (V_VT(&value) == VT_BSTR && V_BSTR(&value) ? SysStringByteLen(V_BSTR(&value)) + 2 : 0);
}

HRESULT WritePropertyRecord(IStream* stream, const VARIANT& value)
{
    VARTYPE type = V_VT(&value);
    HRESULT hr = WriteAll(stream, &type, sizeof(type));
    if (FAILED(hr))
        return hr;
    if (ULONG size = FixedPayload(type))
        return WriteAll(stream, &V_UI1(&value), size);
    return WriteTextPayload(stream, type == VT_BSTR ? V_BSTR(&value) : nullptr);
}

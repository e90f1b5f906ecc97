#include "Bstr.h"

#include <vector>

BSTR NewBstrFromAnsi(const CStr& text)
{
    int length = text.GetLength();
    if (length == 0)
        return SysAllocStringLen(L"", 0);
    int wide = MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), length, nullptr, 0);
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (result)
        MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), length, result, wide);
    return result;
}

CStr AnsiFromBstr(BSTR text)
{
    int length = static_cast<int>(SysStringLen(text));
    if (!text || length == 0)
        return CStr();
    int narrow = WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::vector<char> buffer(static_cast<size_t>(narrow > 0 ? narrow : 1));
    narrow = WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, buffer.data(), narrow, nullptr, nullptr);
    return CStr(buffer.data(), narrow);
}

HRESULT ReturnBstr(const CStr& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = NewBstrFromAnsi(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Saving and loading the control's settings with the host's form: through the host's stream,
// or as the stream "Contents" of the host's storage. Properties travel through our own
// IDispatch, so the type library coerces whatever type a stream holds.
#include "DorvikFTPCtrl.h"

#include "ComPtr.h"
#include "PropertyStream.h"

namespace {

// Stream order; Timeout comes before PassiveMode although its identifier is higher.
const DISPID kSavedProperties[] = {1, 2, 3, 4, 16, 27, 26, 33};

HRESULT GetProperty(IDispatch* self, DISPID id, VARIANT* value)
{
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT PutProperty(IDispatch* self, DISPID id, VARIANT* value)
{
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS args = {value, &named, 1, 1};
    WORD flags = DISPATCH_PROPERTYPUT;
    VARTYPE t = V_VT(value);
    if ((t & VT_BYREF) || (t & VT_ARRAY) || t == VT_UNKNOWN || t == VT_DISPATCH) {
        if (SUCCEEDED(self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &args, nullptr,
                                   nullptr, nullptr)))
            return S_OK;
    }
    return self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &args, nullptr, nullptr, nullptr);
}

const OLECHAR kContents[] = L"Contents";

} // namespace

STDMETHODIMP CDorvikFTPCtrl::GetClassID(CLSID* out)
try {
    if (!out)
        return E_POINTER;
    *out = CLSID_DorvikFTPCtrl;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::IsDirty()
try {
    return m_bRequiresSave ? S_OK : S_FALSE;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::InitNew()
try {
    m_bRequiresSave = true;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::InitNew(IStorage*)
try {
    return InitNew();
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::Load(IStream* stream)
try {
    if (!stream)
        return E_POINTER;
    DWORD version = 0;
    HRESULT hr = ReadExactly(stream, &version, sizeof(version));
    if (FAILED(hr))
        return hr;
    if (version > kPropertyStreamVersion)
        return E_FAIL;
    hr = ReadExactly(stream, &m_sizeExtent.cx, sizeof(m_sizeExtent.cx));
    if (SUCCEEDED(hr))
        hr = ReadExactly(stream, &m_sizeExtent.cy, sizeof(m_sizeExtent.cy));
    if (FAILED(hr))
        return hr;
    IDispatch* self = static_cast<IDorvikFTPCtrl*>(this);
    for (DISPID id : kSavedProperties) {
        VARIANT value;
        VariantInit(&value);
        hr = ReadPropertyRecord(stream, &value);
        if (SUCCEEDED(hr) && FAILED(PutProperty(self, id, &value)))
            hr = E_FAIL;
        VariantClear(&value);
        if (FAILED(hr))
            return hr;
    }
    m_bRequiresSave = false;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::Save(IStream* stream, BOOL clearDirty)
try {
    if (!stream)
        return E_POINTER;
    DWORD version = kPropertyStreamVersion;
    HRESULT hr = WriteAll(stream, &version, sizeof(version));
    if (SUCCEEDED(hr))
        hr = WriteAll(stream, &m_sizeExtent.cx, sizeof(m_sizeExtent.cx));
    if (SUCCEEDED(hr))
        hr = WriteAll(stream, &m_sizeExtent.cy, sizeof(m_sizeExtent.cy));
    IDispatch* self = static_cast<IDorvikFTPCtrl*>(this);
    for (size_t i = 0; SUCCEEDED(hr) && i < sizeof(kSavedProperties) / sizeof(kSavedProperties[0]); ++i) {
        VARIANT value;
        VariantInit(&value);
        hr = FAILED(GetProperty(self, kSavedProperties[i], &value)) ? E_FAIL : WritePropertyRecord(stream, value);
        VariantClear(&value);
    }
    if (SUCCEEDED(hr) && clearDirty)
        m_bRequiresSave = false;
    return hr;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::GetSizeMax(ULARGE_INTEGER* size)
try {
    if (!size)
        return E_POINTER;
    ULONGLONG total = sizeof(DWORD) + sizeof(m_sizeExtent.cx) + sizeof(m_sizeExtent.cy);
    IDispatch* self = static_cast<IDorvikFTPCtrl*>(this);
    for (DISPID id : kSavedProperties) {
        VARIANT value;
        VariantInit(&value);
        HRESULT hr = GetProperty(self, id, &value);
        if (FAILED(hr))
            return hr;
        total += PropertyRecordSize(value);
        VariantClear(&value);
    }
    size->QuadPart = total;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::Load(IStorage* storage)
try {
    if (!storage)
        return E_POINTER;
    CComPtr<IStream> stream;
    HRESULT hr = storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.out());
    if (FAILED(hr))
        return hr;
    return Load(stream.get());
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::Save(IStorage* storage, BOOL sameAsLoad)
try {
    if (!storage)
        return E_POINTER;
    CComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(kContents, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                       stream.out());
    if (FAILED(hr))
        return hr;
    return Save(stream.get(), sameAsLoad);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::SaveCompleted(IStorage*)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::HandsOffStorage()
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

// The control as an embedded OLE object: its client site, verbs, extent, advises and what the
// registry says about it (user type, verbs, miscellaneous status); quick activation and the
// control's side of the container's keyboard and ambient protocol.
#include "ActiveXFace.h"

#include <cstddef>

#include "ComPtr.h"
#include "DorvikFTP_h.h"

STDMETHODIMP CActiveXFace::SetClientSite(IOleClientSite* site)
try {
    if (site)
        site->AddRef();
    if (m_clientSite)
        m_clientSite->Release();
    m_clientSite = site;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetClientSite(IOleClientSite** site)
try {
    if (!site)
        return E_POINTER;
    *site = m_clientSite;
    if (m_clientSite)
        m_clientSite->AddRef();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetHostNames(LPCOLESTR, LPCOLESTR)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::Close(DWORD saveOption)
try {
    KeepAlive alive(Identity());
    InPlaceDeactivate();
    if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && m_clientSite) {
        CComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(Identity()->QueryInterface(IID_IPersistStreamInit, persist.outVoid())) && persist &&
            persist->IsDirty() == S_OK)
            m_clientSite->SaveObject();
    }
    if (m_oleAdvise)
        m_oleAdvise->SendOnClose();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetMoniker(DWORD, IMoniker*)
try {
    return E_NOTIMPL;   // nothing can link inside the control
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetMoniker(DWORD, DWORD, IMoniker** moniker)
try {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::InitFromData(IDataObject*, WINBOOL, DWORD)
try {
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetClipboardData(DWORD, IDataObject** data)
try {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT)
try {
    KeepAlive alive(Identity());
    IOleClientSite* site = activeSite ? activeSite : m_clientSite;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(site, parent, true);
    case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(site, parent, false);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (m_controlWindow)
            ShowWindow(m_controlWindow, SW_HIDE);
        return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    default:
        if (verb > 0) {   // a verb the control does not know counts as the primary one
            HRESULT hr = InPlaceActivate(site, parent, true);
            return SUCCEEDED(hr) ? OLEOBJ_S_INVALIDVERB : hr;
        }
        return E_NOTIMPL;   // opening in a window of its own, property pages: the control has neither
    }
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::EnumVerbs(IEnumOLEVERB** verbs)
try {
    HRESULT hr = OleRegEnumVerbs(CLSID_DorvikFTPCtrl, verbs);
    // Registration writes no verbs; some systems report the missing key rather than the answer
    // containers look for.
    return hr == REGDB_E_KEYMISSING ? OLEOBJ_E_NOVERBS : hr;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::Update()
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::IsUpToDate()
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetUserClassID(CLSID* id)
try {
    if (!id)
        return E_POINTER;
    *id = CLSID_DorvikFTPCtrl;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetUserType(DWORD form, LPOLESTR* type)
try {
    return OleRegGetUserType(CLSID_DorvikFTPCtrl, form, type);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetExtent(DWORD aspect, SIZEL* size)
try {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    ExtentHimetric() = *size;
    SendViewChange();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetExtent(DWORD aspect, SIZEL* size)
try {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *size = ExtentHimetric();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::Advise(IAdviseSink* sink, DWORD* cookie)
try {
    if (!m_oleAdvise) {
        HRESULT hr = CreateOleAdviseHolder(&m_oleAdvise);
        if (FAILED(hr))
            return hr;
    }
    return m_oleAdvise->Advise(sink, cookie);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::Unadvise(DWORD cookie)
try {
    return m_oleAdvise ? m_oleAdvise->Unadvise(cookie) : OLE_E_NOCONNECTION;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::EnumAdvise(IEnumSTATDATA** advises)
try {
    if (!advises)
        return E_POINTER;
    *advises = nullptr;
    if (!m_oleAdvise) {
        HRESULT hr = CreateOleAdviseHolder(&m_oleAdvise);
        if (FAILED(hr))
            return hr;
    }
    return m_oleAdvise->EnumAdvise(advises);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetMiscStatus(DWORD aspect, DWORD* status)
try {
    if (!status)
        return E_POINTER;
    return OleRegGetMiscStatus(CLSID_DorvikFTPCtrl, aspect, status);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetColorScheme(LOGPALETTE*)
try {
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetControlInfo(CONTROLINFO* info)
try {
    if (!info)
        return E_POINTER;
    info->hAccel = nullptr;   // no mnemonics, no keys of its own
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::OnMnemonic(MSG*)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::OnAmbientPropertyChange(DISPID)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::FreezeEvents(WINBOOL)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetPages(CAUUID* pages)
try {
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::QuickActivate(QACONTAINER* container, QACONTROL* control)
try {
    if (!container || !control)
        return E_POINTER;
    // Older containers pass shorter records; the fields used here are in every version.
    if (container->cbSize < offsetof(QACONTAINER, dwAmbientFlags) ||
        control->cbSize < offsetof(QACONTROL, dwPointerActivationPolicy))
        return E_INVALIDARG;
    KeepAlive alive(Identity());
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);

    control->dwMiscStatus = 0;
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    GetViewStatus(&control->dwViewStatus);
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    if (control->cbSize >= sizeof(QACONTROL))
        control->dwPointerActivationPolicy = 0;

    CComPtr<IConnectionPointContainer> points;
    Identity()->QueryInterface(IID_IConnectionPointContainer, points.outVoid());
    if (points && container->pUnkEventSink) {
        CComPtr<IConnectionPoint> point;
        if (SUCCEEDED(points->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, point.out())) && point)
            point->Advise(container->pUnkEventSink, &control->dwEventCookie);
    }
    if (points && container->pPropertyNotifySink) {
        CComPtr<IConnectionPoint> point;
        if (SUCCEEDED(points->FindConnectionPoint(IID_IPropertyNotifySink, point.out())) && point)
            point->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    }
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetContentExtent(LPSIZEL size)
try {
    return SetExtent(DVASPECT_CONTENT, size);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetContentExtent(LPSIZEL size)
try {
    return GetExtent(DVASPECT_CONTENT, size);
}
COMKIT_METHOD_CATCH

// The control as an embedded OLE object: its client site, verbs, extent, advises and what the
// registry says about it (user type, verbs, miscellaneous status); quick activation and the
// control's side of the container's keyboard and ambient protocol.
#include "ActiveXFace.h"

#include <cstddef>

#include "ComPtr.h"
#include "DorvikFTP_h.h"

STDMETHODIMP CActiveXFace::SetClientSite(IOleClientSite* site)
{
    if (site)
        site->AddRef();
    if (m_clientSite)
        m_clientSite->Release();
    m_clientSite = site;
    return S_OK;
}

STDMETHODIMP CActiveXFace::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = m_clientSite;
    if (m_clientSite)
        m_clientSite->AddRef();
    return S_OK;
}

STDMETHODIMP CActiveXFace::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP CActiveXFace::Close(DWORD saveOption)
{
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

STDMETHODIMP CActiveXFace::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;   // nothing can link inside the control
}

STDMETHODIMP CActiveXFace::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXFace::InitFromData(IDataObject*, WINBOOL, DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXFace::GetClipboardData(DWORD, IDataObject** data)
{
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXFace::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT)
{
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

STDMETHODIMP CActiveXFace::EnumVerbs(IEnumOLEVERB** verbs)
{
    HRESULT hr = OleRegEnumVerbs(CLSID_DorvikFTPCtrl, verbs);
    // Registration writes no verbs; some systems report the missing key rather than the answer
    // containers look for.
    return hr == REGDB_E_KEYMISSING ? OLEOBJ_E_NOVERBS : hr;
}

STDMETHODIMP CActiveXFace::Update()
{
    return S_OK;
}

STDMETHODIMP CActiveXFace::IsUpToDate()
{
    return S_OK;
}

STDMETHODIMP CActiveXFace::GetUserClassID(CLSID* id)
{
    if (!id)
        return E_POINTER;
    *id = CLSID_DorvikFTPCtrl;
    return S_OK;
}

STDMETHODIMP CActiveXFace::GetUserType(DWORD form, LPOLESTR* type)
{
    return OleRegGetUserType(CLSID_DorvikFTPCtrl, form, type);
}

STDMETHODIMP CActiveXFace::SetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    ExtentHimetric() = *size;
    SendViewChange();
    return S_OK;
}

STDMETHODIMP CActiveXFace::GetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *size = ExtentHimetric();
    return S_OK;
}

STDMETHODIMP CActiveXFace::Advise(IAdviseSink* sink, DWORD* cookie)
{
    if (!m_oleAdvise) {
        HRESULT hr = CreateOleAdviseHolder(&m_oleAdvise);
        if (FAILED(hr))
            return hr;
    }
    return m_oleAdvise->Advise(sink, cookie);
}

STDMETHODIMP CActiveXFace::Unadvise(DWORD cookie)
{
    return m_oleAdvise ? m_oleAdvise->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CActiveXFace::EnumAdvise(IEnumSTATDATA** advises)
{
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

STDMETHODIMP CActiveXFace::GetMiscStatus(DWORD aspect, DWORD* status)
{
    if (!status)
        return E_POINTER;
    return OleRegGetMiscStatus(CLSID_DorvikFTPCtrl, aspect, status);
}

STDMETHODIMP CActiveXFace::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXFace::GetControlInfo(CONTROLINFO* info)
{
    if (!info)
        return E_POINTER;
    info->hAccel = nullptr;   // no mnemonics, no keys of its own
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP CActiveXFace::OnMnemonic(MSG*)
{
    return S_OK;
}

STDMETHODIMP CActiveXFace::OnAmbientPropertyChange(DISPID)
{
    return S_OK;
}

STDMETHODIMP CActiveXFace::FreezeEvents(WINBOOL)
{
    return S_OK;
}

STDMETHODIMP CActiveXFace::GetPages(CAUUID* pages)
{
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
}

STDMETHODIMP CActiveXFace::QuickActivate(QACONTAINER* container, QACONTROL* control)
{
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

STDMETHODIMP CActiveXFace::SetContentExtent(LPSIZEL size)
{
    return SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP CActiveXFace::GetContentExtent(LPSIZEL size)
{
    return GetExtent(DVASPECT_CONTENT, size);
}

// How a container sees the control: the view object it draws through and the data object that
// hands out the control's picture as a metafile.
#include "ActiveXFace.h"

#include <shlobj.h>

namespace {

bool IsContentMetafile(const FORMATETC* format)
{
    return format && format->cfFormat == CF_METAFILEPICT && (format->tymed & TYMED_MFPICT) &&
           format->dwAspect == DVASPECT_CONTENT;
}

const FORMATETC kMetafileFormat = {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};

} // namespace

STDMETHODIMP CActiveXFace::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds,
                                LPCRECTL, WINBOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
try {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!drawDc)
        return E_INVALIDARG;
    RECT rect;
    if (bounds)
        rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    else if (m_inPlaceActive && m_windowless)
        rect = m_position;   // a windowless container may leave the bounds to where we sit
    else
        return E_INVALIDARG;
    return OnDraw(drawDc, rect);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors)
try {
    if (!colors)
        return E_POINTER;
    *colors = nullptr;
    return S_FALSE;   // the picture needs no palette of its own
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::Freeze(DWORD, LONG, void*, DWORD* cookie)
try {
    if (cookie)
        *cookie = 0;
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::Unfreeze(DWORD)
try {
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink)
try {
    if (sink)
        sink->AddRef();
    if (m_viewSink)
        m_viewSink->Release();
    m_viewSink = sink;
    m_viewAspects = aspects;
    m_viewFlags = flags;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink)
try {
    if (aspects)
        *aspects = m_viewAspects;
    if (flags)
        *flags = m_viewFlags;
    if (sink) {
        *sink = m_viewSink;
        if (m_viewSink)
            m_viewSink->AddRef();
    }
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size)
try {
    return GetExtent(aspect, size);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetRect(DWORD, LPRECTL)
try {
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetViewStatus(DWORD* status)
try {
    if (!status)
        return E_POINTER;
    *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT point, LONG, DWORD* hit)
try {
    if (!bounds || !hit)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *hit = PtInRect(bounds, point) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG, DWORD* hit)
try {
    if (!bounds || !rect || !hit)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    RECT common;
    *hit = IntersectRect(&common, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL)
try {
    return E_NOTIMPL;   // the container keeps the extent it set
}
COMKIT_METHOD_CATCH

void CActiveXFace::SendViewChange()
{
    if (m_viewSink && (m_viewAspects & DVASPECT_CONTENT)) {
        IAdviseSink* sink = m_viewSink;
        sink->AddRef();
        if (m_viewFlags & ADVF_ONLYONCE) {
            m_viewSink->Release();
            m_viewSink = nullptr;
        }
        sink->OnViewChange(DVASPECT_CONTENT, -1);
        sink->Release();
    }
    if (m_dataAdvise)
        m_dataAdvise->SendOnDataChange(static_cast<IDataObject*>(this), 0, 0);
}

STDMETHODIMP CActiveXFace::GetData(FORMATETC* format, STGMEDIUM* medium)
try {
    if (!format || !medium)
        return E_POINTER;
    if (!IsContentMetafile(format))
        return DATA_E_FORMATETC;

    // The records are in pixels of the screen, so the icon keeps its own size against the
    // extent; the picture's header gives that extent in HIMETRIC.
    const SIZEL extent = ExtentHimetric();
    HDC screen = ::GetDC(nullptr);
    int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    RECT bounds = {0, 0, MulDiv(extent.cx, dpiX, 2540), MulDiv(extent.cy, dpiY, 2540)};

    HDC recorder = CreateMetaFileA(nullptr);
    if (!recorder)
        return E_OUTOFMEMORY;
    SetWindowOrgEx(recorder, 0, 0, nullptr);
    SetWindowExtEx(recorder, bounds.right, bounds.bottom, nullptr);
    OnDraw(recorder, bounds);
    HMETAFILE picture = CloseMetaFile(recorder);
    if (!picture)
        return E_OUTOFMEMORY;

    HGLOBAL header = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
    METAFILEPICT* fields = header ? static_cast<METAFILEPICT*>(GlobalLock(header)) : nullptr;
    if (!fields) {
        if (header)
            GlobalFree(header);
        DeleteMetaFile(picture);
        return E_OUTOFMEMORY;
    }
    fields->mm = MM_ANISOTROPIC;
    fields->xExt = extent.cx;
    fields->yExt = extent.cy;
    fields->hMF = picture;
    GlobalUnlock(header);

    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = header;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
try {
    if (!format || !medium)
        return E_POINTER;
    return DATA_E_FORMATETC;   // a metafile cannot be rendered into the caller's own medium
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::QueryGetData(FORMATETC* format)
try {
    if (!format)
        return E_POINTER;
    return IsContentMetafile(format) ? S_OK : DATA_E_FORMATETC;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out)
try {
    if (!in || !out)
        return E_POINTER;
    *out = *in;
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetData(FORMATETC*, STGMEDIUM*, WINBOOL)
try {
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats)
try {
    if (!formats)
        return E_POINTER;
    *formats = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    return SHCreateStdEnumFmtEtc(1, &kMetafileFormat, formats);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie)
try {
    if (!m_dataAdvise) {
        HRESULT hr = CreateDataAdviseHolder(&m_dataAdvise);
        if (FAILED(hr))
            return hr;
    }
    return m_dataAdvise->Advise(static_cast<IDataObject*>(this), format, flags, sink, cookie);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::DUnadvise(DWORD cookie)
try {
    return m_dataAdvise ? m_dataAdvise->Unadvise(cookie) : OLE_E_NOCONNECTION;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::EnumDAdvise(IEnumSTATDATA** advises)
try {
    if (!advises)
        return E_POINTER;
    *advises = nullptr;
    if (!m_dataAdvise) {
        HRESULT hr = CreateDataAdviseHolder(&m_dataAdvise);
        if (FAILED(hr))
            return hr;
    }
    return m_dataAdvise->EnumAdvise(advises);
}
COMKIT_METHOD_CATCH

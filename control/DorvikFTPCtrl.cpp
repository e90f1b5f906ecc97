// Construction, destruction and the COM identity of the control.
#include "DorvikFTPCtrl.h"

#include "Bstr.h"
#include "ErrorInfo.h"
#include "Module.h"

TypeInfoDispatch CDorvikFTPCtrl::s_dispatch(IID_IDorvikFTPCtrl);

namespace {
const char kWindowClass[] = "DorvikFTPWndClass";
const char kProgId[] = "DorvikFTP.DorvikFTPCtrl.1";
} // namespace

CDorvikFTPCtrl::CDorvikFTPCtrl()
    : m_propertyNotify(this, IID_IPropertyNotifySink), m_events(this)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HiddenWndProc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = kWindowClass;
    Module().RegisterWindowClass(wc);

    m_hNotifyWnd = CreateWindowExA(0, kWindowClass, "1", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                                   g_hInstance, this);
    if (m_hNotifyWnd)
        SetWindowLongPtrA(m_hNotifyWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Taken last, once nothing can throw any more: a constructor that throws never reaches the
    // destructor that gives the lock back, and the library could then never be unloaded.
    Module().Lock();
}

HRESULT CDorvikFTPCtrl::FinalConstruct()
{
    return m_hNotifyWnd ? S_OK : E_FAIL;
}

CDorvikFTPCtrl::~CDorvikFTPCtrl()
{
    // Disconnect holds a reference while it waits for the server's answer; an outer object that
    // is itself being destroyed must not be counted up and down again.
    SetOuterUnknown(nullptr);
    m_bDestroying = true;
    Disconnect();
    if (m_Server.PortOpen())
        StopServer();
    // Sessions still running post nothing more; what they posted already is freed here, before
    // the window that would have received it goes. The server joins its threads as it is destroyed.
    m_Server.SetEventWindow(nullptr);
    DiscardServerNotices();
    ReleaseProgressMapping();
    if (m_hNotifyWnd) {
        // The window procedure must not reach a control that is going away.
        SetWindowLongPtrA(m_hNotifyWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hNotifyWnd);
        m_hNotifyWnd = nullptr;
    }
    Module().Unlock();
}

const InterfaceEntry* CDorvikFTPCtrl::InterfaceTable()
{
    typedef CDorvikFTPCtrl C;
    static const InterfaceEntry table[] = {
        {&IID_IDorvikFTPCtrl, CastTo<C, IDorvikFTPCtrl>},
        {&IID_IDispatch, CastTo<C, IDorvikFTPCtrl>},
        {&IID_IViewObjectEx, CastTo<C, IViewObjectEx>},
        {&IID_IViewObject2, CastTo<C, IViewObject2>},
        {&IID_IViewObject, CastTo<C, IViewObject>},
        {&IID_IOleInPlaceObjectWindowless, CastTo<C, IOleInPlaceObjectWindowless>},
        {&IID_IOleInPlaceObject, CastTo<C, IOleInPlaceObject>},
        {&IID_IOleWindow, CastVia<C, IOleInPlaceObject, IOleWindow>},
        {&IID_IOleInPlaceActiveObject, CastTo<C, IOleInPlaceActiveObject>},
        {&IID_IOleControl, CastTo<C, IOleControl>},
        {&IID_IOleObject, CastTo<C, IOleObject>},
        {&IID_IPersistStreamInit, CastTo<C, IPersistStreamInit>},
        {&IID_IPersist, CastTo<C, IPersistStreamInit>},
        {&IID_ISupportErrorInfo, CastTo<C, ISupportErrorInfo>},
        {&IID_IConnectionPointContainer, CastTo<C, IConnectionPointContainer>},
        {&IID_ISpecifyPropertyPages, CastTo<C, ISpecifyPropertyPages>},
        {&IID_IQuickActivate, CastTo<C, IQuickActivate>},
        {&IID_IPersistStorage, CastTo<C, IPersistStorage>},
        {&IID_IDataObject, CastTo<C, IDataObject>},
        {&IID_IProvideClassInfo, CastTo<C, IProvideClassInfo2>},
        {&IID_IProvideClassInfo2, CastTo<C, IProvideClassInfo2>},
        {nullptr, nullptr},
    };
    return table;
}

STDMETHODIMP CDorvikFTPCtrl::GetTypeInfoCount(UINT* count)
try {
    return s_dispatch.GetTypeInfoCount(count);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out)
try {
    return s_dispatch.GetTypeInfo(index, lcid, out);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)
try {
    return s_dispatch.GetIDsOfNames(riid, names, count, lcid, ids);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO* excep, UINT* argErr)
try {
    return s_dispatch.Invoke(static_cast<IDorvikFTPCtrl*>(this), id, riid, lcid, flags, params, result, excep,
                             argErr);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::InterfaceSupportsErrorInfo(REFIID riid)
try {
    return IsEqualIID(riid, IID_IDorvikFTPCtrl) ? S_OK : S_FALSE;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::EnumConnectionPoints(IEnumConnectionPoints** out)
try {
    ConnectionPoint* points[] = {&m_propertyNotify, &m_events};
    return EnumConnectionPointsOf(points, 2, out);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::FindConnectionPoint(REFIID riid, IConnectionPoint** out)
try {
    ConnectionPoint* points[] = {&m_propertyNotify, &m_events};
    return FindConnectionPointIn(points, 2, riid, out);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::GetClassInfo(ITypeInfo** out)
try {
    if (!out)
        return E_POINTER;
    ITypeInfo* info = nullptr;
    HRESULT hr = Module().GetTypeInfo(CLSID_DorvikFTPCtrl, &info);
    *out = SUCCEEDED(hr) ? info : nullptr;
    if (*out)
        info->AddRef();
    return hr;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::GetGUID(DWORD kind, GUID* out)
try {
    if (!out)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *out = GUID_NULL;
        return E_INVALIDARG;
    }
    *out = DIID__IDorvikFTPCtrlEvents;
    return S_OK;
}
COMKIT_METHOD_CATCH

HRESULT CDorvikFTPCtrl::Error(const CStr& text)
{
    return ReportComError(kProgId, text);
}

LONG CDorvikFTPCtrl::Fire_Reply(const CStr& text)
{
    CBstr t(text);
    return m_events.Fire_Reply(t.get());
}

LONG CDorvikFTPCtrl::Fire_EnumFile(const CStr& fileName, double fileSize, const CStr& user, const CStr& group,
                                   double fileDate, const CStr& fileFlags)
{
    CBstr n(fileName), u(user), g(group), f(fileFlags);
    return m_events.Fire_EnumFile(n.get(), fileSize, u.get(), g.get(), fileDate, f.get());
}

LONG CDorvikFTPCtrl::Fire_TransferStarting(const CStr& localFile, const CStr& remoteFile, LONG offset)
{
    CBstr l(localFile), r(remoteFile);
    return m_events.Fire_TransferStarting(l.get(), r.get(), offset);
}

LONG CDorvikFTPCtrl::Fire_TransferComplete(const CStr& localFile, const CStr& remoteFile, LONG bytes)
{
    CBstr l(localFile), r(remoteFile);
    return m_events.Fire_TransferComplete(l.get(), r.get(), bytes);
}

LONG CDorvikFTPCtrl::Fire_ClientConnected(const CStr& user, const CStr& address, LONG* cancel)
{
    CBstr u(user), a(address);
    return m_events.Fire_ClientConnected(u.get(), a.get(), cancel);
}

LONG CDorvikFTPCtrl::Fire_ClientDisconnected(const CStr& user, const CStr& address)
{
    CBstr u(user), a(address);
    return m_events.Fire_ClientDisconnected(u.get(), a.get());
}

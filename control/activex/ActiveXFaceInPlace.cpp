// In-place activation: the control sits inside its container's window, with a child window of
// its own or, when the container offers it, windowless. Only UI activation makes it the active
// object of the container's frame.
#include "ActiveXFace.h"

#include "ComPtr.h"
#include "Module.h"

namespace {

const char kControlWindowClass[] = "DorvikFTPCtrlWindow";
const DWORD kControlWindowStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

template <class T>
void ReleaseInto(T** slot)
{
    if (*slot) {
        T* p = *slot;
        *slot = nullptr;
        p->Release();
    }
}


} // namespace

CActiveXFace::~CActiveXFace()
{
    DestroyControlWindow();
    ReleaseInto(&m_frame);
    ReleaseInto(&m_document);
    ReleaseInto(&m_inPlaceSite);
    ReleaseInto(&m_clientSite);
    ReleaseInto(&m_viewSink);
    ReleaseInto(&m_oleAdvise);
    ReleaseInto(&m_dataAdvise);
}

HRESULT CActiveXFace::InPlaceActivate(IOleClientSite* site, HWND parent, bool uiActivate)
{
    KeepAlive alive(Identity());
    if (!m_inPlaceActive) {
        if (!site)
            return E_UNEXPECTED;
        CComPtr<IOleInPlaceSite> inPlace;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.outVoid())) || !inPlace)
            return E_NOINTERFACE;
        if (inPlace->CanInPlaceActivate() != S_OK)
            return E_FAIL;

        CComPtr<IOleInPlaceSiteWindowless> windowless;
        CComPtr<IOleInPlaceSiteEx> extended;
        site->QueryInterface(IID_IOleInPlaceSiteWindowless, windowless.outVoid());
        site->QueryInterface(IID_IOleInPlaceSiteEx, extended.outVoid());
        BOOL noRedraw = FALSE;
        HRESULT hr;
        m_windowless = windowless && windowless->CanWindowlessActivate() == S_OK;
        if (m_windowless)
            hr = windowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
        else if (extended)
            hr = extended->OnInPlaceActivateEx(&noRedraw, 0);
        else
            hr = inPlace->OnInPlaceActivate();
        if (FAILED(hr)) {
            m_windowless = false;
            return hr;
        }
        m_inPlaceSite = inPlace.detach();
        m_inPlaceActive = true;

        OLEINPLACEFRAMEINFO frameInfo = {};
        frameInfo.cb = sizeof(frameInfo);
        RECT position = {0, 0, 0, 0}, clip = {0, 0, 0, 0};
        ReleaseInto(&m_frame);
        ReleaseInto(&m_document);
        m_inPlaceSite->GetWindowContext(&m_frame, &m_document, &position, &clip, &frameInfo);
        m_position = position;

        if (!m_windowless) {
            HWND container = nullptr;
            if (FAILED(m_inPlaceSite->GetWindow(&container)) || !container)
                container = parent;
            hr = CreateControlWindow(container, position);
            if (FAILED(hr)) {
                InPlaceDeactivate();
                return hr;
            }
        }
    } else if (m_controlWindow && !(GetWindowLongA(m_controlWindow, GWL_STYLE) & WS_VISIBLE)) {
        ShowWindow(m_controlWindow, SW_SHOWNA);
    }
    return uiActivate ? UIActivate() : S_OK;
}

HRESULT CActiveXFace::UIActivate()
{
    if (m_uiActive || !m_inPlaceSite)
        return S_OK;
    CComPtr<IOleInPlaceSiteEx> extended;
    m_inPlaceSite->QueryInterface(IID_IOleInPlaceSiteEx, extended.outVoid());
    if (extended && extended->RequestUIActivate() != S_OK)
        return S_OK;   // the container keeps the control in-place active only
    m_uiActive = true;
    m_inPlaceSite->OnUIActivate();
    IOleInPlaceActiveObject* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (m_frame) {
        m_frame->SetActiveObject(active, nullptr);
        m_frame->SetBorderSpace(nullptr);
    }
    if (m_document) {
        m_document->SetActiveObject(active, nullptr);
        m_document->SetBorderSpace(nullptr);
    }
    if (m_controlWindow && ::GetFocus() != m_controlWindow)
        ::SetFocus(m_controlWindow);
    return S_OK;
}

STDMETHODIMP CActiveXFace::UIDeactivate()
try {
    if (!m_uiActive)
        return S_OK;
    KeepAlive alive(Identity());
    m_uiActive = false;
    if (m_document)
        m_document->SetActiveObject(nullptr, nullptr);
    if (m_frame)
        m_frame->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceSite)
        m_inPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::InPlaceDeactivate()
try {
    if (!m_inPlaceActive)
        return S_OK;
    KeepAlive alive(Identity());
    UIDeactivate();
    m_inPlaceActive = false;
    DestroyControlWindow();
    IOleInPlaceSite* site = m_inPlaceSite;
    m_inPlaceSite = nullptr;
    m_windowless = false;
    ReleaseInto(&m_frame);
    ReleaseInto(&m_document);
    if (site) {
        CComPtr<IOleInPlaceSiteEx> extended;
        site->QueryInterface(IID_IOleInPlaceSiteEx, extended.outVoid());
        if (extended)   // activated through the extended notice, so it hears the end the same way
            extended->OnInPlaceDeactivateEx(TRUE);
        else
            site->OnInPlaceDeactivate();
        site->Release();
    }
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetWindow(HWND* window)
try {
    if (!window)
        return E_POINTER;
    *window = m_controlWindow;
    return m_controlWindow ? S_OK : E_FAIL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::ContextSensitiveHelp(WINBOOL)
try {
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::SetObjectRects(LPCRECT position, LPCRECT clip)
try {
    if (!position)
        return E_POINTER;
    m_position = *position;
    if (m_controlWindow) {
        SetWindowPos(m_controlWindow, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
        // Only the part inside the clip rectangle is ours to paint.
        RECT visible;
        HRGN region = nullptr;
        if (clip && IntersectRect(&visible, position, clip) && !EqualRect(&visible, position)) {
            OffsetRect(&visible, -position->left, -position->top);
            region = CreateRectRgnIndirect(&visible);
        }
        SetWindowRgn(m_controlWindow, region, TRUE);   // the window owns the region from here
    }
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::ReactivateAndUndo()
try {
    return INPLACE_E_NOTUNDOABLE;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result)
try {
    if (result)
        *result = 0;
    return S_FALSE;   // windowless, the control handles no input: the container's default applies
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::GetDropTarget(IDropTarget** target)
try {
    if (target)
        *target = nullptr;
    return E_NOTIMPL;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::TranslateAccelerator(LPMSG)
try {
    return S_FALSE;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::OnFrameWindowActivate(WINBOOL)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::OnDocWindowActivate(WINBOOL)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL)
try {
    return S_OK;   // the control has no tools that need border space
}
COMKIT_METHOD_CATCH

STDMETHODIMP CActiveXFace::EnableModeless(WINBOOL)
try {
    return S_OK;
}
COMKIT_METHOD_CATCH

HRESULT CActiveXFace::CreateControlWindow(HWND parent, const RECT& position)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = Module().Instance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kControlWindowClass;
    Module().RegisterWindowClass(wc);
    m_controlWindow = CreateWindowExA(0, kControlWindowClass, "", kControlWindowStyle, position.left, position.top,
                                      position.right - position.left, position.bottom - position.top, parent,
                                      nullptr, Module().Instance(), this);
    return m_controlWindow ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void CActiveXFace::DestroyControlWindow()
{
    if (!m_controlWindow)
        return;
    HWND window = m_controlWindow;
    m_controlWindow = nullptr;
    // The window procedure must not reach an object that is letting the window go.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

bool CActiveXFace::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (dc) {
            RECT client;
            GetClientRect(hwnd, &client);
            OnDraw(dc, client);
        }
        EndPaint(hwnd, &paint);
        *result = 0;
        return true;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        CComPtr<IOleControlSite> site;
        if (m_clientSite && SUCCEEDED(m_clientSite->QueryInterface(IID_IOleControlSite, site.outVoid())) && site)
            site->OnFocus(msg == WM_SETFOCUS);
        *result = 0;
        return true;
    }
    case WM_MOUSEACTIVATE:
        UIActivate();
        *result = MA_ACTIVATE;
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK CActiveXFace::ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
try {
    if (msg == WM_NCCREATE) {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    CActiveXFace* face = reinterpret_cast<CActiveXFace*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (face && face->ProcessWindowMessage(hwnd, msg, wParam, lParam, &result))
        return result;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
catch (...) {
    // Nothing a handler throws may unwind into the system's dispatcher.
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The hidden window every control owns: socket notices, background-transfer reports and the
// built-in server's client messages arrive here, on the host's thread.
#include "DorvikFTPCtrl.h"

#include "ControlChannel.h"

namespace {

void Dispatch(CDorvikFTPCtrl* control, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_FTP_CONTROL_SOCKET:
    case WM_FTP_DATA_SOCKET: {
        SOCKET s = static_cast<SOCKET>(wParam);
        // A failed connect is reported here too; the connection wait takes it from here. Notices
        // of sockets that are no longer the control's are stale and ignored.
        bool current = (s == control->m_sockControl) || (s == control->m_sockData);
        if (current && WSAGETSELECTEVENT(lParam) == FD_CONNECT && WSAGETSELECTERROR(lParam) != 0) {
            control->m_sockConnectFailed = s;
            control->m_nConnectFailedError = WSAGETSELECTERROR(lParam);
        }
        if (msg == WM_FTP_DATA_SOCKET)
            control->OnAsyncNotice(msg, wParam, lParam);
        break;
    }
    case WM_FTP_PROGRESS:
    case WM_FTP_TRANSFER_NOTICE:
    case WM_TIMER:
        control->OnAsyncNotice(msg, wParam, lParam);
        break;
    default:
        control->OnServerNotice(msg, wParam);
        break;
    }
}

} // namespace

LRESULT CALLBACK CDorvikFTPCtrl::HiddenWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Messages sent while CreateWindowExA runs, or after the control let go of its window, have
    // no control to go to.
    CDorvikFTPCtrl* control = reinterpret_cast<CDorvikFTPCtrl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!control)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = 0;
    {
        // Every event raised below may let the host release its last reference; the control
        // lives until the whole dispatch is over. When this hold's release is the last one, the
        // control is destroyed right there, and this window with it: nothing after it may use
        // either.
        ControlHold hold(control);
        try {
            Dispatch(control, msg, wParam, lParam);
        } catch (...) {
            // Nothing a handler throws may unwind into the system's dispatcher.
        }
        result = DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return result;
}

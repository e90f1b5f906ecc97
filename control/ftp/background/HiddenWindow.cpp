// The hidden window every control owns: socket notices, background-transfer reports and the
// built-in server's client messages arrive here, on the host's thread.
#include "DorvikFTPCtrl.h"

LRESULT CALLBACK CDorvikFTPCtrl::HiddenWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
try {
    // Messages sent while CreateWindowExA runs, or after the control let go of its window, have
    // no control to go to.
    CDorvikFTPCtrl* control = reinterpret_cast<CDorvikFTPCtrl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!control)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
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
    case WM_FTP_TRANSFER_COMPLETE:
    case WM_TIMER:
        control->OnAsyncNotice(msg, wParam, lParam);
        break;
    default:
        control->OnServerNotice(msg, wParam);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
catch (...) {
    // Nothing a handler throws may unwind into the system's dispatcher.
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The hidden window every control owns: socket notices, background-transfer reports and the
// built-in server's client messages arrive here, on the host's thread.
#include "DorvikFTPCtrl.h"

LRESULT CALLBACK CDorvikFTPCtrl::HiddenWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Messages sent while CreateWindowExA runs, or after the control let go of its window, have
    // no control to go to.
    CDorvikFTPCtrl* control = reinterpret_cast<CDorvikFTPCtrl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!control)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    control->OnServerNotice(msg, wParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

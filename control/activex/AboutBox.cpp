// The About box: dialog resource 1, modal and without an owner; its result means nothing.
#include "DorvikFTPCtrl.h"

namespace {

const int kAboutDialog = 1;

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // The Close button is the cancel button, and the system menu's Close arrives as it too.
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::AboutBox()
try {
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(kAboutDialog), nullptr, AboutDialogProc, 0);
    return S_OK;
}
COMKIT_METHOD_CATCH

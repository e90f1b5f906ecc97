// The messages between the built-in server's session threads and the window that hosts the server
// (the control's hidden window, or a test host). Kept apart from the server's own header so that the
// window side needs nothing else of the server.
#ifndef FTPSERVER_SERVERMESSAGES_H
#define FTPSERVER_SERVERMESSAGES_H

#include <windows.h>

#include "CStr.h"

// Window message, session thread -> window: a client has logged in. wParam: a heap CClientNotice that
// the window now owns and must delete; lParam: the FtpSession (informative only; the window must not
// touch it, since the session may give up waiting and be gone by the time the message is read).
constexpr UINT WM_FTPSERVER_CLIENT_CONNECTED = WM_USER + 40;
// Window message, session thread -> window: a session with an account has ended. wParam: a heap
// CClientNotice owned by the window from now on; lParam: 0.
constexpr UINT WM_FTPSERVER_CLIENT_DISCONNECTED = WM_USER + 41;
// Thread message, window -> waiting session thread: the answer to WM_FTPSERVER_CLIENT_CONNECTED.
// wParam: the host's Cancel value (non-zero refuses the client); lParam: the notice's m_nCookie, so
// that a late answer to an older exchange is never taken for the answer to the current one.
constexpr UINT WM_FTPSERVER_CONNECT_REPLY = WM_USER + 45;

class CClientNotice {
public:
    CClientNotice() : m_nSessionThreadId(0), m_nCookie(0) {}

    CStr m_strUser;     // the user name as the host is shown it
    CStr m_strAddress;  // the client's address in dotted decimal form
    // Where the answer to a connect notice goes, and which exchange it answers.
    DWORD m_nSessionThreadId;
    LPARAM m_nCookie;
};

// The one correct way for the window to answer a connect notice: call it before deleting the notice.
inline bool AnswerClientConnected(const CClientNotice& notice, long cancel)
{
    return PostThreadMessageA(notice.m_nSessionThreadId, WM_FTPSERVER_CONNECT_REPLY,
                              static_cast<WPARAM>(cancel), notice.m_nCookie) != FALSE;
}

#endif

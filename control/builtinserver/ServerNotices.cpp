// The window side of the built-in server's login exchange: the host hears of each login and
// logout as an event, and may refuse a login through ClientConnected's Cancel.
#include "DorvikFTPCtrl.h"

#include <memory>

bool CDorvikFTPCtrl::OnServerNotice(UINT msg, WPARAM wParam)
{
    if (msg != WM_FTPSERVER_CLIENT_CONNECTED && msg != WM_FTPSERVER_CLIENT_DISCONNECTED)
        return false;
    // The notice is ours from the moment it was posted, whatever happens while it is handled.
    std::unique_ptr<CClientNotice> notice(reinterpret_cast<CClientNotice*>(wParam));
    if (!notice)
        return true;
    if (msg == WM_FTPSERVER_CLIENT_CONNECTED) {
        LONG cancel = 0;
        // A login nobody can be asked about (the control is going) is refused.
        cancel = m_bDestroying ? 1 : 0;
        try {
            if (!m_bDestroying)
                Fire_ClientConnected(notice->m_strUser, notice->m_strAddress, &cancel);
        } catch (...) {
            cancel = 1;
        }
        // The session thread waits for this answer; the session itself is never touched here.
        AnswerClientConnected(*notice, cancel);
    } else {
        try {
            if (!m_bDestroying)
                Fire_ClientDisconnected(notice->m_strUser, notice->m_strAddress);
        } catch (...) {
        }
    }
    return true;
}

void CDorvikFTPCtrl::DiscardServerNotices()
{
    if (!m_hNotifyWnd)
        return;
    MSG msg;
    while (PeekMessageA(&msg, m_hNotifyWnd, WM_FTPSERVER_CLIENT_CONNECTED, WM_FTPSERVER_CLIENT_DISCONNECTED,
                        PM_REMOVE)) {
        std::unique_ptr<CClientNotice> notice(reinterpret_cast<CClientNotice*>(msg.wParam));
        if (notice && msg.message == WM_FTPSERVER_CLIENT_CONNECTED)
            AnswerClientConnected(*notice, 1);
    }
}

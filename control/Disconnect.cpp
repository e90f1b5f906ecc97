// Ending the FTP connection: polite QUIT when the server can still hear it, then every socket closed.
#include "DorvikFTPCtrl.h"

#include "SocketHelpers.h"

namespace {
void CloseSocketMember(SOCKET* s)
{
    if (*s != INVALID_SOCKET) {
        closesocket(*s);
        *s = INVALID_SOCKET;
    }
}
} // namespace

STDMETHODIMP CDorvikFTPCtrl::Disconnect()
{
    if (IsSocketWritable(m_sockControl))
        send(m_sockControl, "QUIT\r\n", 6, 0);
    CloseSocketMember(&m_sockControl);
    CloseSocketMember(&m_sockData);
    CloseSocketMember(&m_sockListen);
    SetState(DFTP_STATE_NOTCONNECTED);
    m_bBusy = FALSE;
    return S_OK;
}

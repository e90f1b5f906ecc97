// Ending the FTP connection: polite QUIT when the server can still hear it, then every socket closed.
#include "ControlChannel.h"
#include "SocketHelpers.h"

STDMETHODIMP CDorvikFTPCtrl::Disconnect()
try {
    ControlHold hold(this);
    // A background transfer goes with the connection; nothing more is read for it.
    FinishAsyncTransfer(AsyncDropped);
    // Any operation that waits under this call sees its connection gone and ends.
    const unsigned serial = ++m_nSessionSerial;
    if (IsSocketWritable(m_sockControl)) {
        SendCommand("QUIT\r\n");
        // Some servers know the command only by its older name.
        if (ReadReply(&m_sockControl) == 500 && !Superseded(serial)) {
            SendCommand("BYE\r\n");
            ReadReply(&m_sockControl);
        }
        // A Connect made from a handler while the answer was awaited owns the sockets now.
        if (Superseded(serial))
            return S_OK;
        shutdown(m_sockControl, SD_BOTH);
    }
    CloseSocketMember(&m_sockControl);
    CloseSocketMember(&m_sockData);
    CloseSocketMember(&m_sockListen);
    SetState(DFTP_STATE_NOTCONNECTED);
    m_bBusy = FALSE;
    return S_OK;
}
COMKIT_METHOD_CATCH

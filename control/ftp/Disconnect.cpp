// Ending the FTP connection: polite QUIT when the server can still hear it, then every socket closed.
#include "FtpOperation.h"
#include "SocketHelpers.h"

STDMETHODIMP CDorvikFTPCtrl::Disconnect()
try {
    ControlHold hold(this);
    OutsideOperation own(this);
    // A background transfer goes with the connection; nothing more is read for it.
    FinishAsyncTransfer(AsyncDropped);
    const unsigned serial = m_connection.serial;
    if (IsSocketWritable(m_sockControl)) {
        // Straight out, without waiting for answers still owed: the connection ends either way.
        // Only an answer that is surely QUIT's own can ask for the older name.
        const bool inStep = m_connection.owedReplies.empty();
        if (SendAll(&m_sockControl, "QUIT\r\n", 6)) {
            // Some servers know the command only by its older name.
            if (ReadReply(&m_sockControl) == 500 && inStep && !ConnectionGone(serial) &&
                SendAll(&m_sockControl, "BYE\r\n", 5))
                ReadReply(&m_sockControl);
        }
        // A Connect made from a handler while the answer was awaited owns the sockets now.
        if (ConnectionGone(serial))
            return S_OK;
        shutdown(m_sockControl, SD_BOTH);
    }
    CloseSocketMember(&m_sockControl);
    CloseSocketMember(&m_sockData);
    CloseSocketMember(&m_sockListen);
    // Any operation that waited under this call finds its connection gone and ends.
    m_connection.Replace();
    SetState(DFTP_STATE_NOTCONNECTED);
    m_bBusy = FALSE;
    return S_OK;
}
COMKIT_METHOD_CATCH

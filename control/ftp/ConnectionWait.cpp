// Waiting for a TCP connection that a non-blocking connect has started.
#include "ControlChannel.h"

#include "SocketHelpers.h"

namespace {

// How long one wait for the connection lasts before the host's messages are served.
const long kStepWait = 5000;  // microseconds

// Where a started connection stands, in one look: the reason it failed (0 while it may still
// succeed), and in `writable` whether it stands. A refused connect puts the socket in the except
// set (it never becomes writable), so waiting for "writable" alone would last until the time-out.
int ConnectionStep(SOCKET s, bool* writable)
{
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval zero = {0, 0};
    *writable = false;
    if (select(0, nullptr, &ready, &failed, &zero) <= 0)
        return 0;
    if (!FD_ISSET(s, &failed)) {
        *writable = FD_ISSET(s, &ready) != 0;
        return 0;
    }
    int error = 0;
    int length = sizeof(error);
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error == 0)
        error = WSAECONNREFUSED;
    return error;
}

} // namespace

int CDorvikFTPCtrl::WaitForConnection(SOCKET* s, bool needData)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    const SOCKET mine = *s;
    for (;;) {
        if (ConnectionGone(serial) || *s != mine) {
            WSASetLastError(WSAECONNABORTED);
            return WSAECONNABORTED;
        }
        if (WaitExpired(m_tOperationStart, m_nTimeout)) {
            m_strErrorDetail = "Timeout!";
            WSASetLastError(WSAETIMEDOUT);
            return WSAETIMEDOUT;
        }
        if (m_bAbort) {
            WSASetLastError(WSAEINTR);
            return WSAEINTR;
        }
        bool writable = false;
        int error = ConnectionStep(*s, &writable);
        if (error == 0 && m_sockConnectFailed == *s) {
            // A failure notice names a handle, and a closed socket's handle comes back for the
            // next one: a late notice of an earlier socket must not fail this one. The socket's
            // own error decides.
            m_sockConnectFailed = INVALID_SOCKET;
            int own = 0;
            int length = sizeof(own);
            if (getsockopt(*s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&own), &length) == 0 && own != 0)
                error = own;
        }
        if (error != 0) {
            WSASetLastError(error);
            return error;
        }
        if (writable && (!needData || IsSocketReadable(*s)))
            return 0;
        // Until the next step of the connection (it stands, it failed, the first bytes came), at
        // most a moment: spinning on the pump would keep Wine's server busy for nothing. The
        // host's messages are served when the step takes longer.
        if (!(writable ? WaitForData(*s, kStepWait) : WaitForRoom(*s, kStepWait)))
            PumpMessages(this);
    }
}

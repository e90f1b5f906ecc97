// The data connection of the next transfer command: passive (PASV, we connect) or active (PORT,
// the server connects to our listen socket, which the accept below waits for).
#include "ControlChannel.h"
#include "SocketHelpers.h"
#include "TransferEnds.h"

#include <cstring>

namespace {
const int kReplyTimedOut = -10;
const int kAcceptPasses = 40;
const long kAcceptPause = 250;  // milliseconds
} // namespace

int CDorvikFTPCtrl::OpenDataConnection()
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    if (ConnectionGone(serial))
        return WSAECONNABORTED;

    if (m_nPassiveMode) {
        // Only this PASV's own 227 names the port to connect to: the address of an earlier one
        // is stale, and whoever listens there now is not our server's transfer.
        int code = SendCommand("PASV\r\n") ? ReadReply(&m_sockControl) : 0;
        if (ConnectionGone(serial))
            return WSAECONNABORTED;
        if (code == kReplyTimedOut)
            return WSAETIMEDOUT;
        if (code != 227)
            return WSAECONNREFUSED;
        CloseSocketMember(&m_sockData);
        m_sockData = socket(AF_INET, SOCK_STREAM, 0);
        if (m_sockData == INVALID_SOCKET)
            return WSAGetLastError();
        m_sockConnectFailed = INVALID_SOCKET;
        // Non-blocking before connecting: the connection is then awaited with the pump, the
        // time-out and the abort flag, through the proxy as well as directly. It gets no notices:
        // the wait sees its outcome on the socket itself, and the transfer wants none.
        u_long nonBlocking = 1;
        ioctlsocket(m_sockData, FIONBIO, &nonBlocking);
        const CStr host = m_strPasvHost;
        if (!m_strProxyName.IsEmpty()) {
            int r = ConnectViaSocks4(&m_sockData, host, m_nPasvPort);
            if (r != 0)
                return r == 1 ? WSAECONNREFUSED : (WSAGetLastError() ? WSAGetLastError() : WSAECONNREFUSED);
            return 0;
        }
        m_tOperationStart = NowSeconds();
        if (ConnectSocket(m_sockData, host, m_nPasvPort) == 0)
            return 0;
        int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            return error;
        return WaitForConnection(&m_sockData, false);
    }

    CloseSocketMember(&m_sockData);
    // A PORT built from an address we do not have would send the server somewhere else.
    CStr address;
    unsigned short port = 0;
    if (GetSocketAddress(m_sockControl, &address, &port) != 0)
        return WSAGetLastError() ? WSAGetLastError() : WSAENOTCONN;
    CloseSocketMember(&m_sockListen);
    m_sockListen = socket(AF_INET, SOCK_STREAM, 0);
    if (m_sockListen == INVALID_SOCKET)
        return WSAGetLastError();
    WSAAsyncSelect(m_sockListen, m_hNotifyWnd, WM_FTP_LISTEN_SOCKET, DORVIK_SOCKET_EVENTS);
    sockaddr_in local;
    std::memset(&local, 0, sizeof(local));
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (bind(m_sockListen, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(m_sockListen, 5) != 0) {
        int error = WSAGetLastError();
        CloseSocketMember(&m_sockListen);
        return error ? error : WSAEADDRNOTAVAIL;
    }
    CStr unused;
    unsigned short listenPort = 0;
    if (GetSocketAddress(m_sockListen, &unused, &listenPort) != 0) {
        int error = WSAGetLastError();
        CloseSocketMember(&m_sockListen);
        return error ? error : WSAEADDRNOTAVAIL;
    }
    int p = ntohs(listenPort);
    CStr line = CStr::Format("PORT %s,%d,%d\r\n", address.c_str(), p / 256, p % 256);
    line.Replace(".", ",");
    SendCommand(line);
    if (ReadReply(&m_sockControl) == 500 && !ConnectionGone(serial)) {
        SendCommand(line);
        ReadReply(&m_sockControl);
    }
    return ConnectionGone(serial) ? WSAECONNABORTED : 0;
}

bool CDorvikFTPCtrl::AcceptDataConnection(bool leaveOnAbort)
{
    const unsigned serial = m_connection.serial;
    if (ConnectionGone(serial))
        return false;
    ControlHold hold(this);
    m_sockData = INVALID_SOCKET;
    for (int pass = 0; pass < kAcceptPasses; ++pass) {
        sockaddr_in peer;
        int length = sizeof(peer);
        SOCKET accepted = accept(m_sockListen, reinterpret_cast<sockaddr*>(&peer), &length);
        PumpMessages(this);
        if (ConnectionGone(serial)) {
            // The socket members belong to whatever replaced the connection.
            if (accepted != INVALID_SOCKET)
                closesocket(accepted);
            return false;
        }
        if (accepted != INVALID_SOCKET) {
            m_sockData = accepted;
            break;
        }
        if (leaveOnAbort && m_bAbort)
            break;
        // A pass lasts until the server's connection is waiting, at most the pause.
        WaitForData(m_sockListen, kAcceptPause * 1000);
    }
    return m_sockData != INVALID_SOCKET;
}

namespace {

bool IsListing(const CStr& command)
{
    return command.StartsWith("LIST");
}

// The server's answer that lets the data phase begin: a preliminary 1xx for an upload or a
// listing; for a download also a 2xx (the file was sent at once), and, in the foreground, a line
// without a code.
bool TransferAccepted(int code, bool upload, bool listing, bool background)
{
    if (upload || listing)
        return code / 100 == 1;
    if (code == kReplyTimedOut || code >= 300)
        return false;
    return !background || code >= 100;
}

} // namespace

CDorvikFTPCtrl::PhaseOpening CDorvikFTPCtrl::OpenDataPhase(DataTransfer& t, char type, const CStr& command,
                                                          bool background)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    const bool listing = IsListing(command);
    // Every way out before the data phase: the data connection made for it goes, unless the
    // connection was taken away and the sockets belong to whatever came after. An upload's is
    // reset: a server that takes the STOR after all (its answer was late, or cut short by an
    // Abort) must read a broken upload, not a clean end that it would store as an empty file.
    auto stop = [&](PhaseOpening how) {
        if (serial == m_connection.serial) {
            if (t.upload && m_sockData != INVALID_SOCKET)
                ResetOnClose(m_sockData);
            CloseSocketMember(&m_sockData);
        }
        return ConnectionGone(serial) ? PhaseGone : how;
    };
    // A step the server did not answer as asked: a time-out, an Abort that cut the wait short,
    // or a refusal.
    auto failed = [&](int code) {
        return stop(code == kReplyTimedOut ? PhaseTimedOut : m_bAbort ? PhaseAborted : PhaseRefused);
    };
    auto exchange = [&](const CStr& line) { return SendCommand(line) ? ReadReply(&m_sockControl) : 0; };

    int code = exchange(CStr::Format("TYPE %c\r\n", type));
    if (ConnectionGone(serial))
        return PhaseGone;
    // An upload in the wrong type would change the file on its way; a download's type is only
    // asked for, and an Abort from before its start is forgotten here.
    if (code == kReplyTimedOut || (t.upload && code / 100 != 2))
        return failed(code);
    if (!t.upload && !listing)
        m_bAbort = FALSE;

    int error = OpenDataConnection();
    if (ConnectionGone(serial))
        return PhaseGone;
    if (error != 0)
        return stop(error == WSAETIMEDOUT ? PhaseTimedOut : m_bAbort ? PhaseAborted : PhaseRefused);
    // Without the server's 350 a download would land at the offset from the file's first byte,
    // and an upload's tail would replace the whole remote file.
    if (t.offset != 0) {
        code = exchange(CStr::Format("REST %ld\r\n", t.offset));
        if (ConnectionGone(serial))
            return PhaseGone;
        if (code != 350 || m_bAbort)
            return failed(code);
    }

    code = exchange(command);
    if (ConnectionGone(serial))
        return PhaseGone;
    if (!TransferAccepted(code, t.upload, listing, background) || (m_bAbort && code == 0)) {
        // An Abort before the server took the command ends the transfer before its data phase.
        // The command's answer stays owed, for the next command to take; a server that did take
        // it finds no data connection, and no listener, and ends it at once.
        if (!m_nPassiveMode)
            CloseSocketMember(&m_sockListen);
        return failed(code);
    }
    t.commandReply = code;
    if (t.upload && !listing) {
        Fire_TransferStarting(t.local, t.remote, t.offset);
        if (ConnectionGone(serial))
            return PhaseGone;
    }
    if (!m_nPassiveMode && !AcceptDataConnection(background || listing)) {
        if (ConnectionGone(serial))
            return PhaseGone;
        // The server must not connect to a listener later and send the file into nothing.
        CloseSocketMember(&m_sockListen);
        if (m_bAbort)
            return PhaseAborted;
        FinishTransfer(this, t, true);
        return ConnectionGone(serial) ? PhaseGone : PhaseNoConnection;
    }
    // The data connection is the transfer's from here on. One the server made in active mode has
    // the listener's notices, which would each cost a posted message and say nothing the
    // transfer does not see itself.
    t.sock = m_sockData;
    m_sockData = INVALID_SOCKET;
    if (!m_nPassiveMode)
        WSAAsyncSelect(t.sock, m_hNotifyWnd, 0, 0);
    if (!t.upload && !listing) {
        Fire_TransferStarting(t.local, t.remote, t.offset);
        if (ConnectionGone(serial))
            return PhaseGone;
    }
    return PhaseOpen;
}

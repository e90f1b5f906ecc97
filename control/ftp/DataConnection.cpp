// The data connection of the next transfer command: passive (PASV, we connect) or active (PORT,
// the server connects to our listen socket, which the accept below waits for).
#include "ControlChannel.h"
#include "SocketHelpers.h"

#include <cstring>

namespace {
const int kAcceptPasses = 40;
const DWORD kAcceptPause = 250;
} // namespace

int CDorvikFTPCtrl::OpenDataConnection()
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    if (OperationHalted())
        return WSAECONNABORTED;

    if (m_nPassiveMode) {
        // A refused PASV leaves the address of the last 227 in place.
        SendCommand("PASV\r\n");
        ReadReply(&m_sockControl);
        if (ConnectionGone(serial))
            return WSAECONNABORTED;
        CloseSocketMember(&m_sockData);
        m_sockData = socket(AF_INET, SOCK_STREAM, 0);
        if (m_sockData == INVALID_SOCKET)
            return WSAGetLastError();
        m_sockConnectFailed = INVALID_SOCKET;
        // Registered (and so non-blocking) before connecting: the connection is then awaited with
        // the pump, the time-out and the abort flag, through the proxy as well as directly.
        WSAAsyncSelect(m_sockData, m_hNotifyWnd, WM_FTP_DATA_SOCKET, DORVIK_SOCKET_EVENTS);
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

bool CDorvikFTPCtrl::AcceptDataConnection(bool leaveOnAbort, bool registerSocket)
{
    if (OperationHalted())
        return false;
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    m_sockData = INVALID_SOCKET;
    for (int pass = 0; pass < kAcceptPasses && m_sockData == INVALID_SOCKET; ++pass) {
        sockaddr_in peer;
        int length = sizeof(peer);
        m_sockData = accept(m_sockListen, reinterpret_cast<sockaddr*>(&peer), &length);
        PumpMessages(this);
        if (ConnectionGone(serial))
            return false;
        if (m_sockData == INVALID_SOCKET)
            Sleep(kAcceptPause);
        if (leaveOnAbort && m_bAbort)
            break;
    }
    if (registerSocket)
        WSAAsyncSelect(m_sockData, m_hNotifyWnd, WM_FTP_DATA_SOCKET, DORVIK_SOCKET_EVENTS);
    return m_sockData != INVALID_SOCKET;
}

void CDorvikFTPCtrl::StopDataTransfer(bool interrupted)
{
    const unsigned serial = m_connection.serial;
    // The server stops the transfer and answers it and the ABOR in turn, so the next command
    // gets its own reply.
    if (interrupted)
        SendAbortSequence();
    if (ConnectionGone(serial))
        return;
    if (m_sockData != INVALID_SOCKET)
        shutdown(m_sockData, SD_BOTH);
    CloseSocketMember(&m_sockData);
    m_bAbort = FALSE;
}

int CDorvikFTPCtrl::ReadTransferEnd(bool interrupted)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    int code = ReadReply(&m_sockControl);
    // A preliminary answer still owes the final one.
    while (code >= 100 && code <= 199 && !ConnectionGone(serial))
        code = ReadReply(&m_sockControl);
    // The ABOR's own answer; one that does not come stays owed to the next command.
    if (interrupted && code != -10 && !ConnectionGone(serial))
        ReadReply(&m_sockControl);
    return code;
}

int CDorvikFTPCtrl::EndDataTransfer(bool interrupted)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    StopDataTransfer(interrupted);
    return ConnectionGone(serial) ? 0 : ReadTransferEnd(interrupted);
}

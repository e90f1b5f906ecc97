// The SOCKS4 CONNECT exchange with the proxy, for the control connection and for a passive data
// connection.
#include "ControlChannel.h"

#include <cstring>

#include "SocketHelpers.h"

namespace {

const int kGranted = 0;
const int kRefused = 1;
const int kNoAnswer = 2;
const unsigned char kRequestGranted = 90;

unsigned long ResolveIPv4(const char* host)
{
    hostent* resolved = gethostbyname(host);
    if (resolved && resolved->h_addr_list && resolved->h_addr_list[0]) {
        unsigned long address = 0;
        std::memcpy(&address, resolved->h_addr_list[0], sizeof(address));
        return address;
    }
    return inet_addr(host);
}

} // namespace

int CDorvikFTPCtrl::ConnectViaSocks4(SOCKET* s, const char* host, int port)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    const SOCKET mine = *s;
    // The host copy: the caller may pass a member that an event handler changes meanwhile.
    const CStr target = host;

    m_tOperationStart = NowSeconds();
    if (ConnectSocket(*s, m_strProxyName, m_nProxyPort) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return kNoAnswer;
        if (WaitForConnection(s, false) != 0)
            return kNoAnswer;
    }
    // A zero byte would end the user id early and the proxy would take the rest as a command.
    if (m_strProxyUserID.Find('\0') != CStr::npos) {
        WSASetLastError(WSAEINVAL);
        return kNoAnswer;
    }

    unsigned long address = ResolveIPv4(target);
    unsigned short networkPort = htons(static_cast<u_short>(port));
    CStr request;
    request += static_cast<char>(4);  // version
    request += static_cast<char>(1);  // CONNECT
    request.Append(reinterpret_cast<const char*>(&networkPort), 2);
    request.Append(reinterpret_cast<const char*>(&address), 4);
    request += m_strProxyUserID;
    request += '\0';
    if (!SendAll(s, request.c_str(), request.GetLength()))
        return kNoAnswer;

    unsigned char answer[8];
    int received = 0;
    m_tOperationStart = NowSeconds();
    while (received < 8) {
        int n = recv(*s, reinterpret_cast<char*>(answer) + received, 8 - received, 0);
        if (n == 0)
            return kNoAnswer;
        if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)
            return kNoAnswer;
        if (n > 0) {
            received += n;
            m_tOperationStart = NowSeconds();
            continue;
        }
        PumpMessages(this);
        if (ConnectionGone(serial) || *s != mine) {
            WSASetLastError(WSAECONNABORTED);
            return kNoAnswer;
        }
        if (WaitExpired(m_tOperationStart, m_nTimeout)) {
            m_strErrorDetail = "Timeout!";
            WSASetLastError(WSAETIMEDOUT);
            return kNoAnswer;
        }
        // A silent proxy must not hold a data connection (or the host) forever.
        if (m_bAbort) {
            WSASetLastError(WSAEINTR);
            return kNoAnswer;
        }
    }
    return answer[1] == kRequestGranted ? kGranted : kRefused;
}

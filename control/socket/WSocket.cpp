// CWSocket and CWSocketException: the handle, the plain calls, the timed connect and the waits.
// The proxy handshakes live in WSocketProxy.cpp.
#include "WSocket.h"

#include <cstring>

const CRuntimeClass CWSocketException::classCWSocketException = {"CWSocketException",
                                                                 &CException::classCException};

const CRuntimeClass* CWSocketException::GetRuntimeClass() const
{
    return &classCWSocketException;
}

BOOL CWSocketException::GetErrorMessage(char* buffer, UINT max, UINT* helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (!buffer || max == 0)
        return FALSE;
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             static_cast<DWORD>(m_nError), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<char*>(&text), 0, nullptr);
    if (n == 0 || !text) {
        buffer[0] = '\0';
        return FALSE;
    }
    lstrcpynA(buffer, text, static_cast<int>(max));
    LocalFree(text);
    return TRUE;
}

CStr CWSocketException::GetErrorTextString() const
{
    const UINT size = 4096;
    char text[size];
    GetErrorMessage(text, size, nullptr);
    return CStr(text);
}

void ThrowWSocketException(int error)
{
    if (error == 0)
        error = WSAGetLastError();
    throw new CWSocketException(error);
}

namespace {

// A call that reported failure but left no error code must not read as success.
void ThrowLastErrorOr(int fallback)
{
    int error = WSAGetLastError();
    ThrowWSocketException(error != 0 ? error : fallback);
}

} // namespace

CWSocket::~CWSocket()
{
    CloseSocket();
}

void CWSocket::CreateSocket(int type, int protocol, int family)
{
    SOCKET created = socket(family, type, protocol);
    if (created == INVALID_SOCKET)
        ThrowWSocketException(0);
    // The old handle goes only once the new one stands, so a failure keeps what was held.
    CloseSocket();
    m_hSocket = created;
}

void CWSocket::CreateInet(BOOL datagram)
{
    CreateSocket(datagram ? SOCK_DGRAM : SOCK_STREAM, 0, AF_INET);
}

void CWSocket::AttachHandle(SOCKET handle)
{
    if (handle == m_hSocket)
        return;
    CloseSocket();
    m_hSocket = handle;
}

SOCKET CWSocket::DetachHandle()
{
    SOCKET held = m_hSocket;
    m_hSocket = INVALID_SOCKET;
    return held;
}

void CWSocket::CloseSocket()
{
    if (m_hSocket != INVALID_SOCKET) {
        closesocket(m_hSocket);
        m_hSocket = INVALID_SOCKET;
    }
}

BOOL CWSocket::LookUpHost(const char* host, in_addr* address)
{
    if (!host)
        return FALSE;
    unsigned long dotted = inet_addr(host);
    if (dotted != INADDR_NONE) {
        address->s_addr = dotted;
        return TRUE;
    }
    hostent* found = gethostbyname(host);
    if (!found || found->h_addrtype != AF_INET || found->h_length != 4 || !found->h_addr_list ||
        !found->h_addr_list[0])
        return FALSE;
    std::memcpy(&address->s_addr, found->h_addr_list[0], 4);
    return TRUE;
}

in_addr CWSocket::ResolveHost(const char* host)
{
    if (!host)
        ThrowWSocketException(WSAEINVAL);
    in_addr address;
    if (!LookUpHost(host, &address))
        ThrowLastErrorOr(WSAHOST_NOT_FOUND);
    return address;
}

namespace {

sockaddr_in InetRecord(in_addr address, USHORT port)
{
    sockaddr_in record;
    std::memset(&record, 0, sizeof(record));
    record.sin_family = AF_INET;
    record.sin_port = htons(port);
    record.sin_addr = address;
    return record;
}

} // namespace

void CWSocket::BindSockAddr(const sockaddr* address, int length)
{
    if (bind(m_hSocket, address, length) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::BindPort(USHORT port, const char* host)
{
    in_addr address;
    address.s_addr = htonl(INADDR_ANY);
    if (host && !LookUpHost(host, &address))
        ThrowWSocketException(WSAEINVAL);
    sockaddr_in record = InetRecord(address, port);
    BindSockAddr(reinterpret_cast<sockaddr*>(&record), sizeof(record));
}

void CWSocket::StartListening(int backlog)
{
    if (listen(m_hSocket, backlog) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::AcceptConnection(CWSocket& connection, sockaddr* peer)
{
    sockaddr_in scratch;
    int length = sizeof(sockaddr_in);
    SOCKET accepted = accept(m_hSocket, peer ? peer : reinterpret_cast<sockaddr*>(&scratch), &length);
    if (accepted == INVALID_SOCKET)
        ThrowWSocketException(0);
    connection.AttachHandle(accepted);
}

void CWSocket::ShutdownSocket(int how)
{
    if (shutdown(m_hSocket, how) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::SetOption(int name, const void* value, int length, int level)
{
    if (setsockopt(m_hSocket, level, name, static_cast<const char*>(value), length) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::GetOption(int name, void* value, int* length, int level)
{
    if (getsockopt(m_hSocket, level, name, static_cast<char*>(value), length) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::IoControl(long command, u_long* argument)
{
    if (ioctlsocket(m_hSocket, command, argument) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::GetPeerSockAddr(sockaddr* address, int* length)
{
    if (getpeername(m_hSocket, address, length) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::GetLocalSockAddr(sockaddr* address, int* length)
{
    if (getsockname(m_hSocket, address, length) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

namespace {

void SplitRecord(const sockaddr_in& record, CStr& address, UINT& port)
{
    address = inet_ntoa(record.sin_addr);
    port = ntohs(record.sin_port);
}

} // namespace

void CWSocket::GetPeerAddress(CStr& address, UINT& port)
{
    sockaddr_in record;
    std::memset(&record, 0, sizeof(record));
    int length = sizeof(record);
    GetPeerSockAddr(reinterpret_cast<sockaddr*>(&record), &length);
    SplitRecord(record, address, port);
}

void CWSocket::GetLocalAddress(CStr& address, UINT& port)
{
    sockaddr_in record;
    std::memset(&record, 0, sizeof(record));
    int length = sizeof(record);
    GetLocalSockAddr(reinterpret_cast<sockaddr*>(&record), &length);
    SplitRecord(record, address, port);
}

void CWSocket::ConnectSockAddr(const sockaddr* address, int length)
{
    if (connect(m_hSocket, address, length) == SOCKET_ERROR)
        ThrowWSocketException(0);
}

void CWSocket::ConnectHost(const char* host, USHORT port)
{
    sockaddr_in record = InetRecord(ResolveHost(host), port);
    ConnectSockAddr(reinterpret_cast<sockaddr*>(&record), sizeof(record));
}

void CWSocket::ConnectSockAddrTimed(const sockaddr* address, int length, DWORD milliseconds, BOOL restoreBlocking)
{
    WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT)
        ThrowWSocketException(0);
    // Every way out of here closes the event; the socket stays non-blocking on the failures.
    auto fail = [event](int error) {
        WSACloseEvent(event);
        ThrowWSocketException(error != 0 ? error : WSAEINVAL);
    };
    if (WSAEventSelect(m_hSocket, event, FD_CONNECT) == SOCKET_ERROR)
        fail(WSAGetLastError());
    if (connect(m_hSocket, address, length) == SOCKET_ERROR) {
        int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            fail(error);
        if (WaitForSingleObject(event, milliseconds) != WAIT_OBJECT_0)
            fail(ERROR_TIMEOUT);
        WSANETWORKEVENTS happened;
        std::memset(&happened, 0, sizeof(happened));
        if (WSAEnumNetworkEvents(m_hSocket, event, &happened) == SOCKET_ERROR)
            fail(WSAGetLastError());
        if ((happened.lNetworkEvents & FD_CONNECT) && happened.iErrorCode[FD_CONNECT_BIT] != 0)
            fail(happened.iErrorCode[FD_CONNECT_BIT]);
    }
    WSAEventSelect(m_hSocket, event, 0);
    WSACloseEvent(event);
    if (restoreBlocking) {
        u_long nonBlocking = 0;
        IoControl(FIONBIO, &nonBlocking);
    }
}

void CWSocket::ConnectHostTimed(const char* host, USHORT port, DWORD milliseconds, BOOL restoreBlocking)
{
    sockaddr_in record = InetRecord(ResolveHost(host), port);
    ConnectSockAddrTimed(reinterpret_cast<sockaddr*>(&record), sizeof(record), milliseconds, restoreBlocking);
}

int CWSocket::SendBytes(const void* data, int length, int flags)
{
    int sent = send(m_hSocket, static_cast<const char*>(data), length, flags);
    if (sent == SOCKET_ERROR)
        ThrowWSocketException(0);
    return sent;
}

int CWSocket::ReceiveBytes(void* buffer, int size, int flags)
{
    int received = recv(m_hSocket, static_cast<char*>(buffer), size, flags);
    if (received == SOCKET_ERROR)
        ThrowWSocketException(0);
    return received;
}

int CWSocket::SendToSockAddr(const void* data, int length, const sockaddr* address, int addressLength, int flags)
{
    int sent = sendto(m_hSocket, static_cast<const char*>(data), length, flags, address, addressLength);
    if (sent == SOCKET_ERROR)
        ThrowWSocketException(0);
    return sent;
}

int CWSocket::SendToHost(const void* data, int length, USHORT port, const char* host, int flags)
{
    in_addr address;
    address.s_addr = htonl(INADDR_BROADCAST);
    if (host)
        address = ResolveHost(host);
    sockaddr_in record = InetRecord(address, port);
    return SendToSockAddr(data, length, reinterpret_cast<sockaddr*>(&record), sizeof(record), flags);
}

int CWSocket::ReceiveFromSockAddr(void* buffer, int size, sockaddr* address, int* addressLength, int flags)
{
    int received = recvfrom(m_hSocket, static_cast<char*>(buffer), size, flags, address, addressLength);
    if (received == SOCKET_ERROR)
        ThrowWSocketException(0);
    return received;
}

int CWSocket::ReceiveFromHost(void* buffer, int size, CStr& address, UINT& port, int flags)
{
    sockaddr_in record;
    std::memset(&record, 0, sizeof(record));
    int length = sizeof(record);
    int received = ReceiveFromSockAddr(buffer, size, reinterpret_cast<sockaddr*>(&record), &length, flags);
    SplitRecord(record, address, port);
    return received;
}

namespace {

BOOL WaitFor(SOCKET s, bool forWriting, DWORD milliseconds)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit;
    limit.tv_sec = static_cast<long>(milliseconds / 1000);
    limit.tv_usec = static_cast<long>((milliseconds % 1000) * 1000);
    int ready = select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, nullptr, &limit);
    if (ready == SOCKET_ERROR)
        ThrowWSocketException(0);
    return ready > 0 ? TRUE : FALSE;
}

} // namespace

BOOL CWSocket::WaitReadable(DWORD milliseconds)
{
    return WaitFor(m_hSocket, false, milliseconds);
}

BOOL CWSocket::WaitWritable(DWORD milliseconds)
{
    return WaitFor(m_hSocket, true, milliseconds);
}

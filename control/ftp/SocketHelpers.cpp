#include "SocketHelpers.h"

#include <cstring>

int GetSocketAddress(SOCKET s, CStr* address, unsigned short* port)
{
    sockaddr_in local;
    int length = sizeof(local);
    std::memset(&local, 0, sizeof(local));
    int r = getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
    if (r != 0)
        return r;
    *port = local.sin_port;
    *address = inet_ntoa(local.sin_addr);
    return 0;
}

static BOOL IsSocketReady(SOCKET s, bool write)
{
    if (s == INVALID_SOCKET)
        return FALSE;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval zero = {0, 0};
    if (select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &zero) == SOCKET_ERROR)
        return FALSE;
    return FD_ISSET(s, &set) ? TRUE : FALSE;
}

BOOL IsSocketWritable(SOCKET s)
{
    return IsSocketReady(s, true);
}

BOOL IsSocketReadable(SOCKET s)
{
    return IsSocketReady(s, false);
}

int ConnectSocket(SOCKET s, const char* host, int port)
{
    sockaddr_in peer;
    std::memset(&peer, 0, sizeof(peer));
    // A dotted address is its own resolution; asking the resolver for it (every data connection
    // names one) would cost a look-up each time.
    peer.sin_addr.s_addr = inet_addr(host);
    hostent* resolved = peer.sin_addr.s_addr == INADDR_NONE ? gethostbyname(host) : nullptr;
    if (resolved && resolved->h_addr_list && resolved->h_addr_list[0])
        std::memcpy(&peer.sin_addr, resolved->h_addr_list[0], sizeof(peer.sin_addr));
    peer.sin_port = htons(static_cast<u_short>(port));
    peer.sin_family = AF_INET;
    return connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof(peer));
}

void ResetOnClose(SOCKET s)
{
    linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
}

void WidenSocketBuffer(SOCKET s, int option, int bytes)
{
    setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&bytes), sizeof(bytes));
}

bool WaitForData(SOCKET s, long microseconds)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval pause = {microseconds / 1000000, microseconds % 1000000};
    return select(0, &readable, nullptr, nullptr, &pause) > 0;
}

bool WaitForRoom(SOCKET s, long microseconds)
{
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval pause = {microseconds / 1000000, microseconds % 1000000};
    return select(0, nullptr, &writable, &failed, &pause) > 0;
}

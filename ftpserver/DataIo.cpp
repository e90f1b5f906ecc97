#define _CRT_RAND_S
#include <stdlib.h>

#include "DataIo.h"

namespace {
constexpr DWORD kSliceMs = 100;

bool WouldBlock()
{
    int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
}
}  // namespace

bool StopFlags::Raised() const
{
    for (const volatile LONG* flag : flags) {
        if (flag && *flag)
            return true;
    }
    return false;
}

WaitResult WaitSocket(SOCKET sock, bool forWrite, DWORD timeoutMs, const StopFlags& stop)
{
    DWORD started = GetTickCount();
    for (;;) {
        if (stop.Raised())
            return SOCK_STOPPED;
        DWORD elapsed = GetTickCount() - started;
        if (timeoutMs && elapsed >= timeoutMs)
            return SOCK_TIMEOUT;
        DWORD slice = kSliceMs;
        if (timeoutMs && timeoutMs - elapsed < slice)
            slice = timeoutMs - elapsed;
        fd_set set, failed;
        FD_ZERO(&set);
        FD_SET(sock, &set);
        FD_ZERO(&failed);
        FD_SET(sock, &failed);
        timeval tv = {0, static_cast<long>(slice * 1000)};
        int ready = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &failed, &tv);
        if (ready == SOCKET_ERROR)
            return SOCK_FAILED;
        if (ready > 0)
            return FD_ISSET(sock, &set) ? SOCK_READY : SOCK_FAILED;
    }
}

void SetNonBlocking(SOCKET sock, bool on)
{
    u_long mode = on ? 1 : 0;
    ioctlsocket(sock, FIONBIO, &mode);
}

HANDLE WatchSocket(SOCKET sock, long networkEvents)
{
    HANDLE watched = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (watched && WSAEventSelect(sock, watched, networkEvents) != 0) {
        CloseHandle(watched);
        watched = nullptr;
    }
    return watched;
}

WaitResult WaitReadable(SOCKET sock, HANDLE watched, DWORD sliceMs, const StopFlags& stop)
{
    if (!watched)
        return WaitSocket(sock, false, sliceMs, stop);
    DWORD waited = WaitForSingleObject(watched, sliceMs);
    if (stop.Raised())
        return SOCK_STOPPED;
    return waited == WAIT_FAILED ? SOCK_FAILED : SOCK_READY;
}

bool SendAll(SOCKET sock, const char* data, int length, const StopFlags& stop, DWORD idleMs)
{
    while (length > 0) {
        if (stop.Raised())
            return false;
        int sent = send(sock, data, length, 0);
        if (sent > 0) {
            data += sent;
            length -= sent;
            continue;
        }
        if (sent == SOCKET_ERROR && WouldBlock()) {
            if (WaitSocket(sock, true, idleMs, stop) != SOCK_READY)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

int ReceiveSome(SOCKET sock, char* buffer, int capacity, const StopFlags& stop, DWORD idleMs)
{
    for (;;) {
        if (stop.Raised())
            return -1;
        int got = recv(sock, buffer, capacity, 0);
        if (got > 0)
            return got;
        if (got == 0) {
            // Wine reports a reset peer as an orderly end. An empty send tells them apart: it fails only
            // on a connection that was reset.
            char none = 0;
            return send(sock, &none, 0, 0) == SOCKET_ERROR && WSAGetLastError() == WSAECONNRESET ? -1 : 0;
        }
        if (!WouldBlock())
            return -1;
        if (WaitSocket(sock, false, idleMs, stop) != SOCK_READY)
            return -1;
    }
}

void PrepareDataListener(SOCKET listener)
{
    // The kernel's own buffer sizing is left alone: fixed 4 MiB buffers measured no faster, for one
    // transfer or for hundreds, and cost four calls to the Wine server per connection.
    SetNonBlocking(listener, true);
}

SOCKET AcceptFromPeer(SOCKET listener, u_long peer, DWORD timeoutMs, const StopFlags& stop)
{
    // Clients mostly connect as soon as they have the port, before they send the command that needs
    // the connection: the accept is tried first and the wait comes only when nobody is there yet.
    DWORD started = GetTickCount();
    for (;;) {
        if (stop.Raised())
            return INVALID_SOCKET;
        sockaddr_in from = {};
        int fromLength = sizeof from;
        SOCKET sock = accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (sock != INVALID_SOCKET) {
            if (from.sin_addr.s_addr == peer)
                return sock;
            closesocket(sock);  // someone else racing for the port: not our client's data
            continue;
        }
        DWORD elapsed = GetTickCount() - started;
        if (timeoutMs && elapsed >= timeoutMs)
            return INVALID_SOCKET;
        if (WaitSocket(listener, false, timeoutMs ? timeoutMs - elapsed : 0, stop) != SOCK_READY)
            return INVALID_SOCKET;
    }
}

SOCKET ConnectToPeer(u_long localAddress, unsigned short first, unsigned long count, u_long peer,
                     unsigned short port, DWORD timeoutMs, const StopFlags& stop)
{
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET)
        return INVALID_SOCKET;
    BOOL reuse = TRUE;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    bool bound = false;
    unsigned long start = count ? StrongRandom() % count : 0;
    for (unsigned long i = 0; i < count && i < 64 && !bound; ++i) {
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = localAddress;
        local.sin_port = htons(static_cast<unsigned short>(first + (start + i) % count));
        bound = bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }
    if (!bound) {
        closesocket(sock);
        return INVALID_SOCKET;
    }
    SetNonBlocking(sock, true);
    sockaddr_in remote = {};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = peer;
    remote.sin_port = htons(port);
    if (connect(sock, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == SOCKET_ERROR) {
        if (!WouldBlock() || WaitSocket(sock, true, timeoutMs, stop) != SOCK_READY) {
            closesocket(sock);
            return INVALID_SOCKET;
        }
        int error = 0;
        int length = sizeof error;
        getsockopt(sock, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
        if (error != 0) {
            closesocket(sock);
            return INVALID_SOCKET;
        }
    }
    return sock;
}

unsigned int StrongRandom()
{
    unsigned int value = 0;
    if (rand_s(&value) != 0)
        value = GetTickCount() ^ (GetCurrentThreadId() << 16);
    return value;
}

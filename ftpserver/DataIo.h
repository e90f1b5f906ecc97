// Data I/O module: waits, sends, receives, accepts and connects on sockets with time-outs, always in short
// slices (of select(), or of a wait on a socket's event) so that a raised stop flag ends the wait within
// one slice.
#ifndef FTPSERVER_DATAIO_H
#define FTPSERVER_DATAIO_H

#include <winsock2.h>
#include <windows.h>

// Large blocks: under Wine every socket or file call costs about the same whatever its size.
constexpr int FTP_IO_BLOCK = 1024 * 1024;

// Up to three flags; any of them non-zero means "give up now".
struct StopFlags {
    const volatile LONG* flags[3] = {nullptr, nullptr, nullptr};
    bool Raised() const;
};

enum WaitResult { SOCK_READY, SOCK_TIMEOUT, SOCK_STOPPED, SOCK_FAILED };

// timeoutMs 0 waits without a limit (still ending on a stop flag).
WaitResult WaitSocket(SOCKET sock, bool forWrite, DWORD timeoutMs, const StopFlags& stop);

void SetNonBlocking(SOCKET sock, bool on);

// An auto-reset event that Winsock sets on these network events of sock (FD_READ, FD_ACCEPT, ...), or
// nullptr when it cannot be had. The caller closes it, after the socket.
HANDLE WatchSocket(SOCKET sock, long networkEvents);

// Waits up to one slice for sock to be readable. With its event from WatchSocket the wait is one call
// to the Wine server, where select() takes up to five. The event is only a hint: SOCK_READY then means
// "try now", every slice, so a signal that went astray costs one slice and never the caller. Without the
// event, select() decides (SOCK_TIMEOUT after a quiet slice).
WaitResult WaitReadable(SOCKET sock, HANDLE watched, DWORD sliceMs, const StopFlags& stop);

// Sends every byte (a non-blocking socket). False on error, stop, or no progress within idleMs.
bool SendAll(SOCKET sock, const char* data, int length, const StopFlags& stop, DWORD idleMs);

// One receive of up to capacity bytes: > 0 bytes, 0 the peer closed, -1 error, stop or idle time-out.
int ReceiveSome(SOCKET sock, char* buffer, int capacity, const StopFlags& stop, DWORD idleMs);

// Readies a passive listener before its bind: non-blocking, which the accepted connection inherits.
void PrepareDataListener(SOCKET listener);

// Accepts on a listener readied by PrepareDataListener only a connection coming from peer (network
// order); others are closed and the wait goes on. INVALID_SOCKET on time-out, stop or error.
SOCKET AcceptFromPeer(SOCKET listener, u_long peer, DWORD timeoutMs, const StopFlags& stop);

// A TCP connection to peer:port, bound to localAddress and a port of the window first..first+count-1.
SOCKET ConnectToPeer(u_long localAddress, unsigned short first, unsigned long count, u_long peer,
                     unsigned short port, DWORD timeoutMs, const StopFlags& stop);

// A strong random number for port choices and generated names (no shared generator state).
unsigned int StrongRandom();

#endif

// Small WinSock helpers every FTP exchange of the control shares. None of them waits longer than
// it is told.
#ifndef DORVIK_SOCKETHELPERS_H
#define DORVIK_SOCKETHELPERS_H

#include <winsock2.h>

#include "CStr.h"

// Local address of a bound or connected socket; port as the socket layer stores it (network order).
int GetSocketAddress(SOCKET s, CStr* address, unsigned short* port);
BOOL IsSocketWritable(SOCKET s);
BOOL IsSocketReadable(SOCKET s);
// Asks for a socket buffer (SO_RCVBUF or SO_SNDBUF) of `bytes` for a bulk transfer. The system's
// own sizing grows too slowly for a file that passes in a fraction of a second; a smaller buffer
// than asked for is still a working socket, so the result does not matter.
void WidenSocketBuffer(SOCKET s, int option, int bytes);
// Bounded waits: true when the socket has bytes (or the peer's close) waiting, or takes more
// bytes (or has failed), within `microseconds`.
bool WaitForData(SOCKET s, long microseconds);
bool WaitForRoom(SOCKET s, long microseconds);
// Makes the socket's close a reset rather than a clean end, so that the peer cannot take
// what it got of a cut-short upload for the whole of it.
void ResetOnClose(SOCKET s);
// Starts a TCP connection and returns connect's result at once (WSAEWOULDBLOCK: under way).
int ConnectSocket(SOCKET s, const char* host, int port);

#endif

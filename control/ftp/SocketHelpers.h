// Small WinSock helpers every FTP exchange of the control shares. None of them waits.
#ifndef DORVIK_SOCKETHELPERS_H
#define DORVIK_SOCKETHELPERS_H

#include <winsock2.h>

#include "CStr.h"

// Local address of a bound or connected socket; port as the socket layer stores it (network order).
int GetSocketAddress(SOCKET s, CStr* address, unsigned short* port);
BOOL IsSocketWritable(SOCKET s);
BOOL IsSocketReadable(SOCKET s);
// Starts a TCP connection and returns connect's result at once (WSAEWOULDBLOCK: under way).
int ConnectSocket(SOCKET s, const char* host, int port);

#endif

// Sends a file straight from mapped views of it: no read call and no copy into a buffer of ours, which
// under Wine is what a download costs besides the sends themselves.
#ifndef FTPSERVER_FILEMAPSEND_H
#define FTPSERVER_FILEMAPSEND_H

#include "DataIo.h"

enum MappedSendResult { MAPPED_SENT, MAPPED_FAILED, MAPPED_UNAVAILABLE };

// Sends the file from its current position to its end. MAPPED_UNAVAILABLE when the file cannot be mapped
// and nothing has been sent: the caller then reads it the ordinary way.
MappedSendResult SendFileMapped(HANDLE file, SOCKET sock, const StopFlags& stop, DWORD idleMs);

#endif

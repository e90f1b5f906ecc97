// What the background transfers share between their start, the download worker and their end.
#ifndef DORVIK_ASYNCTRANSFER_H
#define DORVIK_ASYNCTRANSFER_H

#include "DorvikFTPCtrl.h"

// The download worker's own view of its transfer. The host thread only raises `stop` and shuts
// the socket down; the worker alone receives on the socket, writes the file and closes the socket.
struct DownloadWorker {
    HWND window = nullptr;
    SOCKET sock = INVALID_SOCKET;
    HANDLE file = nullptr;          // a duplicate of the control's handle: the worker's own
    CRITICAL_SECTION* gate = nullptr;
    const volatile long* maxBandwidth = nullptr;
    volatile LONG stop = 0;
    HANDLE thread = nullptr;
};

DWORD WINAPI DownloadThreadProc(void* worker);

// The pieces of the background transfers, as the window and the protocol see them.
const int kAsyncPiece = 32768;
// The timer of the hidden window that resumes an upload after the host's own messages.
const UINT_PTR kUploadPieceTimer = 1;
// Error code carried by a completion notice when the local file could not be written or read.
const int kLocalFileError = WSAENOBUFS;

#endif

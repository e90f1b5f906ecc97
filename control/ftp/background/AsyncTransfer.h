// What the background transfers share between their start, the download worker and their end.
#ifndef DORVIK_ASYNCTRANSFER_H
#define DORVIK_ASYNCTRANSFER_H

#include "DorvikFTPCtrl.h"

// The download worker's record, shared by the control (through its transfer record) and the worker
// thread; the last of the two to let go frees it, so a worker that outlives its join never
// touches freed memory. The worker owns the socket and its duplicate of the file once it runs:
// it alone receives, writes and closes them; the host only raises `stop`, updates
// `maxBandwidth` and takes the progress notices. A record whose worker never ran closes them when
// it is freed.
struct DownloadWorker {
    DownloadWorker() { InitializeCriticalSection(&postGate); }
    ~DownloadWorker();
    DownloadWorker(const DownloadWorker&) = delete;
    DownloadWorker& operator=(const DownloadWorker&) = delete;

    HWND window = nullptr;
    unsigned serial = 0;            // the transfer's, carried by every notice the worker posts
    SOCKET sock = INVALID_SOCKET;
    HANDLE file = nullptr;          // a duplicate of the control's handle
    volatile LONG maxBandwidth = 0; // MaxBandwidth as the host last set it
    volatile LONG stop = 0;
    HANDLE thread = nullptr;        // the host's handle of the thread; the host closes it
    HMODULE module = nullptr;       // the library, pinned by the thread until its last instruction
    volatile LONG refs = 2;         // the control's and the worker's
    // The local file's position after the last write, and whether a progress notice is on its
    // way: the window reads the position when it takes the notice, so at most one is ever queued,
    // however long the host goes without pumping.
    volatile LONG position = 0;
    volatile LONG progressQueued = 0;
    // Held around every post and around raising `stop`: once the host has raised it, the worker
    // posts nothing more, so no notice of a stopped worker can reach a later transfer.
    CRITICAL_SECTION postGate;
};

// Drops one of the two references; the last frees the record.
void ReleaseDownloadWorker(DownloadWorker* worker);
// A running download follows a new MaxBandwidth from its next receive.
void SetDownloadBandwidth(DownloadWorker* worker, long limit);

DWORD WINAPI DownloadThreadProc(void* worker);
// Starts the worker's thread; null when it could not be started.
HANDLE StartDownloadThread(DownloadWorker* worker);

// The pieces of the background transfers, as the window and the protocol see them.
const int kAsyncPiece = 32768;
// The timer of the hidden window that resumes an upload after the host's own messages.
const UINT_PTR kUploadPieceTimer = 1;
// Error code carried by a completion notice when the local file could not be written or read.
const int kLocalFileError = WSAENOBUFS;

#endif

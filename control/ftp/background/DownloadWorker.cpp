// The download worker of BeginGet: it receives into the local file on a thread of its own, within
// the MaxBandwidth budget, and reports to the hidden window; the host stops it through its record.
#include "AsyncTransfer.h"

#include "ControlChannel.h"
#include "DownloadBudget.h"

namespace {

// The longest the worker goes without looking at its stop flag: one wait for data, or one pause
// while the second's budget is spent.
const DWORD kIdlePause = 100;
// How long the host waits for a worker told to stop.
const DWORD kWorkerJoin = 5000;

long long FilePosition(HANDLE file)
{
    LARGE_INTEGER zero = {}, at = {};
    SetFilePointerEx(file, zero, &at, FILE_CURRENT);
    return at.QuadPart;
}

// Waits up to one idle pause for bytes or the peer's close; false when nothing came.
bool WaitReadable(SOCKET s)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval pause = {0, static_cast<long>(kIdlePause * 1000)};
    return select(0, &readable, nullptr, nullptr, &pause) > 0;
}

bool Stopped(DownloadWorker* w)
{
    return InterlockedCompareExchange(&w->stop, 0, 0) != 0;
}

// Posts to the window unless the host has stopped the worker; false when the notice could not
// be queued (the host's queue is full) and the worker has not been stopped.
bool Post(DownloadWorker* w, UINT msg, LPARAM lParam)
{
    EnterCriticalSection(&w->postGate);
    bool posted = Stopped(w) || PostMessageA(w->window, msg, static_cast<WPARAM>(w->serial), lParam);
    LeaveCriticalSection(&w->postGate);
    return posted;
}

// One progress notice at a time: the next is posted only once the window has taken this one.
void ReportProgress(DownloadWorker* w, long long position)
{
    InterlockedExchange(&w->position, static_cast<LONG>(position));
    if (InterlockedExchange(&w->progressQueued, 1) == 0 && !Post(w, WM_FTP_PROGRESS, 0))
        InterlockedExchange(&w->progressQueued, 0);
}

// The end notice must arrive, or the transfer would stay Busy: a host that has stopped pumping
// for a while may have a full queue, so the worker tries again until it is taken or stopped.
void ReportEnd(DownloadWorker* w, int error)
{
    while (!Post(w, WM_FTP_TRANSFER_NOTICE, WSAMAKESELECTREPLY(FD_CLOSE, error)))
        Sleep(kIdlePause);
}

// Receives until the server closes the data connection, a failure, or a stop; the error code
// of the end notice (0: the whole file came), or -1 when the host stopped the worker.
int Receive(DownloadWorker* w, char* buffer)
{
    DownloadBudget budget;
    while (!Stopped(w)) {
        const int wanted = budget.Wanted(w->maxBandwidth, NowSeconds(), kAsyncPiece);
        if (wanted == 0) {
            Sleep(kIdlePause);   // this second's budget is spent
            continue;
        }
        if (!WaitReadable(w->sock))
            continue;
        const int got = recv(w->sock, buffer, wanted, 0);
        if (got == 0)
            return 0;
        if (got < 0) {
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                return error;
            Sleep(kIdlePause);
            continue;
        }
        budget.Arrived(NowSeconds(), got);
        const long long position = FilePosition(w->file);
        DWORD written = 0;
        if (!WriteFile(w->file, buffer, static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got))
            return kLocalFileError;
        ReportProgress(w, position + got);
    }
    return -1;
}

} // namespace

DownloadWorker::~DownloadWorker()
{
    if (sock != INVALID_SOCKET)
        closesocket(sock);
    if (file)
        CloseHandle(file);
    DeleteCriticalSection(&postGate);
}

void ReleaseDownloadWorker(DownloadWorker* worker)
{
    if (worker && InterlockedDecrement(&worker->refs) == 0)
        delete worker;
}

void SetDownloadBandwidth(DownloadWorker* worker, long limit)
{
    if (worker)
        InterlockedExchange(&worker->maxBandwidth, limit);
}

// Every way out but a stop from the host posts the end notice, so the transfer is always
// finished; the socket and the file are closed first, so the server sees the end at once.
DWORD WINAPI DownloadThreadProc(void* param)
{
    DownloadWorker* w = static_cast<DownloadWorker*>(param);
    char* buffer = new (std::nothrow) char[kAsyncPiece];
    const int end = buffer ? Receive(w, buffer) : kLocalFileError;
    delete[] buffer;
    closesocket(w->sock);
    w->sock = INVALID_SOCKET;
    CloseHandle(w->file);
    w->file = nullptr;
    if (end >= 0)
        ReportEnd(w, end);
    HMODULE module = w->module;
    ReleaseDownloadWorker(w);
    if (module)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}

HANDLE StartDownloadThread(DownloadWorker* worker)
{
    // A worker whose join timed out is still on its way out when the host may let go of the last
    // control and unload the library: the thread keeps the library loaded until its last
    // instruction, so no code is pulled from under it.
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&DownloadThreadProc),
                       &worker->module);
    HANDLE thread = CreateThread(nullptr, 0, DownloadThreadProc, worker, 0, nullptr);
    if (!thread && worker->module) {
        FreeLibrary(worker->module);
        worker->module = nullptr;
    }
    return thread;
}

void CDorvikFTPCtrl::StopDownloadWorker(DataTransfer& t)
{
    DownloadWorker* worker = t.worker;
    if (!worker)
        return;
    t.worker = nullptr;
    if (worker->thread) {
        EnterCriticalSection(&worker->postGate);
        InterlockedExchange(&worker->stop, 1);
        LeaveCriticalSection(&worker->postGate);
        // A worker that does not come back in time still ends on its own and frees the record
        // then; the host's part ends here either way.
        WaitForSingleObject(worker->thread, kWorkerJoin);
        CloseHandle(worker->thread);
    } else {
        // No thread ever took up the worker's share.
        ReleaseDownloadWorker(worker);
    }
    ReleaseDownloadWorker(worker);
}

// BeginGet: a download that runs on a worker thread of its own and ends in the hidden window.
#include "AsyncTransfer.h"

#include "Bstr.h"
#include "FtpOperation.h"

namespace {

const int kGotNoThread = -1;
const int kNoLocalFile = -2;
const int kRefused = -3;
const DWORD kIdlePause = 100;

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

void PostEnd(DownloadWorker* w, int error)
{
    PostMessageA(w->window, WM_FTP_DATA_SOCKET, static_cast<WPARAM>(w->sock), WSAMAKESELECTREPLY(FD_CLOSE, error));
}

} // namespace

// The worker receives into the file until the server closes the data connection, within the
// bytes-per-second budget, and reports each piece; the window does the rest. Every way out but
// a stop request from the host posts the end notice, so the transfer is always finished.
DWORD WINAPI DownloadThreadProc(void* param)
{
    DownloadWorker* w = static_cast<DownloadWorker*>(param);
    std::vector<char> buffer(kAsyncPiece);
    EnterCriticalSection(w->gate);
    long long second = 0;
    unsigned long thisSecond = 0;
    bool running = true;
    while (running) {
        Sleep(kIdlePause);
        if (w->stop)
            break;
        for (;;) {
            long long now = NowSeconds();
            if (now != second) {
                second = now;
                thisSecond = 0;
            }
            if (w->stop) {
                running = false;
                break;
            }
            // Read once per pass: a change under the worker must not give a zero-byte request.
            const long limit = *w->maxBandwidth;
            if (limit > 0 && thisSecond >= static_cast<unsigned long>(limit))
                break;   // the second's budget is spent: wait for the next one
            int wanted = kAsyncPiece;
            if (limit > 0 && static_cast<unsigned long>(limit) - thisSecond < static_cast<unsigned long>(wanted))
                wanted = static_cast<int>(static_cast<unsigned long>(limit) - thisSecond);
            if (!WaitReadable(w->sock))
                continue;
            int got = recv(w->sock, buffer.data(), wanted, 0);
            long long position = FilePosition(w->file);
            if (got == 0) {
                closesocket(w->sock);
                PostEnd(w, 0);
                running = false;
                break;
            }
            if (got < 0) {
                int error = WSAGetLastError();
                if (error == WSAEWOULDBLOCK)
                    break;
                closesocket(w->sock);
                if (!w->stop)
                    PostEnd(w, error);
                running = false;
                break;
            }
            thisSecond += static_cast<unsigned long>(got);
            DWORD written = 0;
            if (!WriteFile(w->file, buffer.data(), static_cast<DWORD>(got), &written, nullptr) ||
                written != static_cast<DWORD>(got)) {
                closesocket(w->sock);
                PostEnd(w, kLocalFileError);
                running = false;
                break;
            }
            PostMessageA(w->window, WM_FTP_PROGRESS, 0, static_cast<LPARAM>(position + got));
        }
    }
    if (w->stop)
        closesocket(w->sock);
    LeaveCriticalSection(w->gate);
    return 0;
}

STDMETHODIMP CDorvikFTPCtrl::BeginGet(BSTR RemoteFile, BSTR LocalFile, long Offset, long* ret)
try {
    if (ret)
        *ret = kGotNoThread;
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted()) {
        if (ret && !m_bBusy)
            *ret = kRefused;
        return op.Refusal();
    }
    if (!ret)
        return E_POINTER;
    CStr remote = AnsiFromBstr(RemoteFile);
    CStr local = AnsiFromBstr(LocalFile);
    const CStr refusal = TransferRefusal(remote, Offset);
    if (!refusal.IsEmpty())
        return Error(refusal);

    op.Begin(DFTP_STATE_DOWNLOADING, FtpOperation::kNoState);
    *ret = 0;
    const char type = m_nBinaryMode ? 'I' : 'A';
    HANDLE file = CreateFileA(local, GENERIC_WRITE, 0, nullptr, Offset ? OPEN_EXISTING : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *ret = kNoLocalFile;
        return op.Fail("Error opening local file");
    }
    // Every refusal from here on: the file goes, the data connection goes, the caller learns why.
    auto refuse = [&](int code, const CStr& text) -> HRESULT {
        CloseHandle(file);
        *ret = code;
        if (!op.Lost())
            CloseSocketMember(&m_sockData);
        return op.Fail(text);
    };

    SendCommand(CStr::Format("TYPE %c\r\n", type));
    ReadReply(&m_sockControl);
    if (OpenDataConnection() != 0)
        return refuse(kRefused, "Comunication error: " + m_strLastServerResponseText);
    if (Offset != 0) {
        // Without the server's 350 the file would come from its first byte and land at Offset.
        SendCommand(CStr::Format("REST %ld\r\n", Offset));
        LARGE_INTEGER at;
        at.QuadPart = Offset;
        if (ReadReply(&m_sockControl) != 350 || !SetFilePointerEx(file, at, nullptr, FILE_BEGIN))
            return refuse(kRefused, "Comunication error: " + m_strLastServerResponseText);
    }
    SendCommand(CStr::Format("RETR %s\r\n", remote.c_str()));
    int code = ReadReply(&m_sockControl);
    if (code < 100 || code > 299 || op.Halted())
        return refuse(kRefused, "Comunication error: " + m_strLastServerResponseText);
    if (!m_nPassiveMode && !AcceptDataConnection(true, false)) {
        if (!op.Halted()) {
            CloseSocketMember(&m_sockListen);
            EndDataTransfer(true);
        }
        return refuse(kRefused, "Comunication error: no data connection came from the server.");
    }
    Fire_TransferStarting(local, remote, Offset);
    if (op.Lost())
        return refuse(kRefused, kClosedUnderCallText);

    DownloadWorker* worker = new (std::nothrow) DownloadWorker;
    HANDLE own = nullptr;
    if (!worker || !DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &own, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS)) {
        delete worker;
        EndDataTransfer(true);
        return refuse(kGotNoThread, "The download could not be started.");
    }
    // The worker receives on a blocking socket with no notices of its own; it is the socket's
    // owner from here on.
    WSAAsyncSelect(m_sockData, m_hNotifyWnd, 0, 0);
    u_long blocking = 0;
    ioctlsocket(m_sockData, FIONBIO, &blocking);
    worker->window = m_hNotifyWnd;
    worker->sock = m_sockData;
    worker->file = own;
    worker->gate = &m_csDownload;
    worker->maxBandwidth = &m_nMaxBandwidth;
    m_hAsyncFile = file;
    m_strAsyncLocalFile = local;
    m_strAsyncRemoteFile = remote;
    m_sockAsync = m_sockData;
    m_sockData = INVALID_SOCKET;
    m_bAsyncUpload = false;
    m_pDownloadWorker = worker;
    worker->thread = CreateThread(nullptr, 0, DownloadThreadProc, worker, 0, nullptr);
    if (!worker->thread) {
        // Nothing runs the transfer: end it here as if it had failed.
        FinishAsyncTransfer(AsyncFailed);
        *ret = kGotNoThread;
        return op.Fail("The download thread could not be started.");
    }
    // Busy stays set: the transfer's end in the hidden window clears it.
    op.KeepBusy();
    return op.Succeed();
}
COMKIT_METHOD_CATCH

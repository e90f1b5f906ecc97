// BeginGet: a download that runs on a worker thread of its own and ends in the hidden window.
#include "AsyncTransfer.h"

#include "Bstr.h"
#include "FtpOperation.h"
#include "LocalTransferFiles.h"
#include "TransferEnds.h"

namespace {

const int kGotNoThread = -1;
const int kNoLocalFile = -2;
const int kRefused = -3;

} // namespace

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
    if (!refusal.IsEmpty()) {
        // The transfer cannot even be asked for; -1 says Busy or no thread.
        *ret = kRefused;
        return Error(refusal);
    }

    op.Begin(DFTP_STATE_DOWNLOADING, FtpOperation::kNoState);
    *ret = 0;
    const char type = m_nBinaryMode ? 'I' : 'A';
    CStr unopened;
    // A resume needs the file's first Offset bytes: one that lacks them is refused before any
    // command, and left as it is.
    if (Offset != 0) {
        HANDLE probe = OpenDownloadTarget(local, Offset, &unopened);
        if (probe == INVALID_HANDLE_VALUE) {
            *ret = kNoLocalFile;
            return op.Fail("Error opening local file");
        }
        CloseHandle(probe);
    }
    auto refuse = [&](int code, const CStr& text) -> HRESULT {
        *ret = code;
        return op.Fail(text);
    };

    std::unique_ptr<DataTransfer> t(new DataTransfer(local, remote, Offset, false));
    switch (OpenDataPhase(*t, type, CStr::Format("RETR %s\r\n", remote.c_str()), true)) {
    case PhaseOpen:
        break;
    case PhaseNoConnection:
        return refuse(kRefused, "Comunication error: no data connection came from the server.");
    case PhaseAborted:
        return refuse(kRefused, "Aborted");
    case PhaseGone:
        return refuse(kRefused, kClosedUnderCallText);
    default:
        return refuse(kRefused, "Comunication error: " + m_strLastServerResponseText);
    }
    // An Abort from the TransferStarting handler ends the transfer before it touches the file.
    if (m_bAbort) {
        FinishTransfer(this, *t, true);
        return op.Succeed();
    }
    // The local file is opened, made or cut only now that the server has taken RETR: a refused
    // download leaves it as it was.
    t->file = OpenDownloadTarget(local, Offset, &unopened);
    if (t->file != INVALID_HANDLE_VALUE && Offset != 0 && !DropDownloadTargetTail(t->file, &unopened)) {
        CloseHandle(t->file);
        t->file = INVALID_HANDLE_VALUE;
    }
    if (t->file == INVALID_HANDLE_VALUE) {
        FinishTransfer(this, *t, true);
        return refuse(kNoLocalFile, "Error opening local file");
    }

    DownloadWorker* worker = new (std::nothrow) DownloadWorker;
    HANDLE own = nullptr;
    if (!worker || !DuplicateHandle(GetCurrentProcess(), t->file, GetCurrentProcess(), &own, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS)) {
        delete worker;
        FinishTransfer(this, *t, true);
        return refuse(kGotNoThread, "The download could not be started.");
    }
    // The worker receives on a blocking socket; it is the socket's owner from here on.
    u_long blocking = 0;
    ioctlsocket(t->sock, FIONBIO, &blocking);
    worker->window = m_hNotifyWnd;
    worker->serial = t->serial;
    worker->sock = t->sock;
    t->sock = INVALID_SOCKET;
    worker->file = own;
    worker->maxBandwidth = m_nMaxBandwidth;
    t->worker = worker;
    m_asyncTransfer = std::move(t);
    worker->thread = StartDownloadThread(worker);
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

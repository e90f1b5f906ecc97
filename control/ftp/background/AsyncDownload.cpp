// BeginGet: a download that runs on a worker thread of its own and ends in the hidden window.
#include "AsyncTransfer.h"

#include "Bstr.h"
#include "FtpOperation.h"
#include "LocalTransferFiles.h"

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
    if (!refusal.IsEmpty())
        return Error(refusal);

    op.Begin(DFTP_STATE_DOWNLOADING, FtpOperation::kNoState);
    *ret = 0;
    const char type = m_nBinaryMode ? 'I' : 'A';
    // A resume keeps exactly the file's first Offset bytes; the server's bytes follow them. The rest
    // is cut off only once the server has taken RETR.
    CStr unopened;
    HANDLE file = OpenDownloadTarget(local, Offset, &unopened);
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
        if (ReadReply(&m_sockControl) != 350)
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
    if (!DropDownloadTargetTail(file, &unopened)) {
        EndDataTransfer(true);
        return refuse(kNoLocalFile, "Error opening local file");
    }

    // The names first: nothing that can throw comes after the transfer is marked as running.
    m_strAsyncLocalFile = local;
    m_strAsyncRemoteFile = remote;
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
    worker->maxBandwidth = m_nMaxBandwidth;
    m_hAsyncFile = file;
    m_sockAsync = m_sockData;
    m_sockData = INVALID_SOCKET;
    m_bAsyncUpload = false;
    m_pDownloadWorker = worker;
    worker->thread = StartDownloadThread(worker);
    if (!worker->thread) {
        // Nothing runs the transfer: end it here as if it had failed.
        FinishAsyncTransfer(AsyncFailed);
        *ret = kGotNoThread;
        return op.Fail("The download thread could not be started.");
    }
    // An Abort from the TransferStarting handler ends the transfer as soon as it runs.
    if (m_bAbort) {
        FinishAsyncTransfer(AsyncAborted);
        return op.Succeed();
    }
    // Busy stays set: the transfer's end in the hidden window clears it.
    op.KeepBusy();
    return op.Succeed();
}
COMKIT_METHOD_CATCH

// BeginPut: an upload driven by the hidden window, one piece whenever the data connection can
// take more, so that the host's thread stays free between pieces.
#include "AsyncTransfer.h"

#include "Bstr.h"
#include "FtpOperation.h"
#include "TransferEnds.h"

STDMETHODIMP CDorvikFTPCtrl::BeginPut(BSTR LocalFilename, BSTR RemoteFilename, long Offset)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr local = AnsiFromBstr(LocalFilename);
    CStr remote = AnsiFromBstr(RemoteFilename);
    const CStr refusal = TransferRefusal(remote, Offset);
    if (!refusal.IsEmpty())
        return Error(refusal);

    op.Begin(DFTP_STATE_UPLOADING, DFTP_STATE_LOGGEDIN);
    std::unique_ptr<DataTransfer> t(new DataTransfer(local, remote, Offset, true));
    // The local file comes first: one that cannot be read must not cost the server's copy, and
    // its failure is told on its own, with no server reply after it.
    t->file = OpenUploadSource(local, Offset);
    if (t->file == INVALID_HANDLE_VALUE)
        return op.Fail(m_strErrorDetail);
    const char type = (m_nBinaryMode & 0xFF) ? 'I' : 'A';
    switch (OpenDataPhase(*t, type, CStr::Format("STOR %s\r\n", remote.c_str()), true)) {
    case PhaseOpen:
        break;
    case PhaseAborted:
        return op.Fail("Aborted");
    case PhaseGone:
        return op.Fail(kClosedUnderCallText);
    default:
        return op.Fail(m_strErrorDetail + m_strLastServerResponseText);
    }
    // An Abort from the TransferStarting handler ends the transfer before its first piece.
    if (m_bAbort) {
        FinishTransfer(this, *t, true);
        return op.Succeed();
    }
    const unsigned serial = t->serial;
    m_asyncTransfer = std::move(t);
    // The pieces are paced by the window: the first one goes when the host next pumps.
    PostMessageA(m_hNotifyWnd, WM_FTP_TRANSFER_NOTICE, serial, WSAMAKESELECTREPLY(FD_WRITE, 0));
    // Busy stays set: the transfer's end in the hidden window clears it.
    op.KeepBusy();
    return op.Succeed();
}
COMKIT_METHOD_CATCH

// One step of the upload: read the next piece unless part of the last one still waits, send
// what the connection takes, and come back for more. A piece is reported once it is all out.
void CDorvikFTPCtrl::PumpUpload()
{
    DataTransfer* t = m_asyncTransfer.get();
    if (!t || !t->upload || t->allSent)
        return;
    t->waitingForRoom = false;
    if (t->pieceSent >= t->piece.size()) {
        t->piece.resize(kAsyncPiece);
        DWORD got = 0;
        if (!ReadFile(t->file, t->piece.data(), kAsyncPiece, &got, nullptr)) {
            t->piece.clear();
            FinishAsyncTransfer(AsyncFailed);
            return;
        }
        t->piece.resize(got);
        t->pieceSent = 0;
        if (got == 0) {
            // The whole file is out: closing the connection tells the server so.
            t->allSent = true;
            t->CloseConnection(false);
            FinishAsyncTransfer(AsyncCompleted);
            return;
        }
    }
    while (t->pieceSent < t->piece.size()) {
        int sent = send(t->sock, t->piece.data() + t->pieceSent, static_cast<int>(t->piece.size() - t->pieceSent), 0);
        if (sent > 0) {
            t->pieceSent += static_cast<size_t>(sent);
            continue;
        }
        if (WSAGetLastError() == WSAEWOULDBLOCK) {
            // The connection is full: WinSock says when it can take more. Its notice names the
            // socket, so it is only a hint that the running upload may try again.
            t->waitingForRoom = true;
            WSAAsyncSelect(t->sock, m_hNotifyWnd, WM_FTP_DATA_SOCKET, FD_WRITE | FD_CLOSE);
            return;
        }
        FinishAsyncTransfer(AsyncFailed);
        return;
    }
    const long long position = t->FilePosition();
    ScheduleNextPiece();
    Fire_TransferProgress(static_cast<LONG>(position));
}

// A posted notice is taken before the host's input, painting and timers every time, so a chain
// of them would freeze the host's window until the upload ends: while any of those wait, the
// next piece waits for a timer, which comes after them.
void CDorvikFTPCtrl::ScheduleNextPiece()
{
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0)
        SetTimer(m_hNotifyWnd, kUploadPieceTimer, USER_TIMER_MINIMUM, nullptr);
    else
        PostMessageA(m_hNotifyWnd, WM_FTP_TRANSFER_NOTICE, m_asyncTransfer->serial, WSAMAKESELECTREPLY(FD_WRITE, 0));
}

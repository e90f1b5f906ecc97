// The one end of every background transfer, however it ends (completion, abort, a failure of
// the worker or the pump, Disconnect, the control's destruction), and the window's part in it.
#include "AsyncTransfer.h"

#include "FtpOperation.h"
#include "TransferEnds.h"

void CDorvikFTPCtrl::FinishAsyncTransfer(AsyncEnd how)
{
    // Taken out first: a completion nested in this one's reply wait finds nothing left to
    // finish, and every notice of this transfer still queued finds it no longer running.
    std::unique_ptr<DataTransfer> t = std::move(m_asyncTransfer);
    if (!t)
        return;
    ControlHold hold(this);
    KillTimer(m_hNotifyWnd, kUploadPieceTimer);
    StopDownloadWorker(*t);
    const long long position = t->FilePosition();
    CloseHandle(t->file);
    t->file = INVALID_HANDLE_VALUE;

    // The end's exchange is the transfer's own, whatever method it interrupts.
    OutsideOperation own(this);
    const unsigned serial = m_connection.serial;
    if (how == AsyncDropped) {
        // The connection goes with it; nothing more is read for it.
        t->CloseConnection(t->upload && !t->allSent);
    } else {
        // All the data came, but only the server's final answer says whether the transfer
        // worked: a 451 or 552 after a clean close is a failure. An Abort that lands while this
        // answer is awaited ends the wait; the answer then stays owed to the next command.
        TransferReply reply = FinishTransfer(this, *t, how != AsyncCompleted);
        if (how == AsyncCompleted && (!reply.Succeeded() || m_bAbort))
            how = AsyncFailed;
        m_bAbort = FALSE;
        if (ConnectionGone(serial))
            return;
    }
    m_bBusy = FALSE;
    if (how == AsyncCompleted) {
        Fire_TransferProgress(static_cast<LONG>(position));
        Fire_TransferComplete(t->local, t->remote, static_cast<LONG>(position));
    }
}

bool CDorvikFTPCtrl::OnAsyncNotice(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_bDestroying)
        return false;
    DataTransfer* running = m_asyncTransfer.get();
    switch (msg) {
    case WM_FTP_PROGRESS:
    case WM_FTP_TRANSFER_NOTICE:
        // A notice of a transfer that has ended (or of none) is stale, whatever it says.
        if (!running || static_cast<unsigned>(wParam) != running->serial)
            return true;
        if (msg == WM_FTP_PROGRESS) {
            if (!running->worker)
                return true;
            // The worker posts the next notice once this one is taken; the position is the
            // latest, not the one of the moment it was posted.
            InterlockedExchange(&running->worker->progressQueued, 0);
            Fire_TransferProgress(InterlockedCompareExchange(&running->worker->position, 0, 0));
        } else if (WSAGETSELECTEVENT(lParam) == FD_WRITE) {
            PumpUpload();
        } else if (WSAGETSELECTEVENT(lParam) == FD_CLOSE) {
            FinishAsyncTransfer(WSAGETSELECTERROR(lParam) == 0 ? AsyncCompleted : AsyncFailed);
        }
        return true;
    case WM_TIMER:
        if (wParam != kUploadPieceTimer)
            return false;
        KillTimer(m_hNotifyWnd, kUploadPieceTimer);
        PumpUpload();
        return true;
    case WM_FTP_DATA_SOCKET:
        // WinSock names the socket, and a closed socket's value comes back for the next one: its
        // notice is only a hint that the running upload, if it waits for room, may try again.
        if (running && running->upload && running->waitingForRoom)
            PumpUpload();
        return true;
    default:
        return false;
    }
}

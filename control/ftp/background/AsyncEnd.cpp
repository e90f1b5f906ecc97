// The one end of every background transfer, however it ends (completion, abort, a failure of
// the worker or the pump, Disconnect, the control's destruction), and the window's part in it.
#include "AsyncTransfer.h"

#include "FtpOperation.h"
#include "TransferEnds.h"

void CDorvikFTPCtrl::FinishAsyncTransfer(AsyncEnd how)
{
    // A completion nested in this one's reply wait finds nothing left to finish.
    if (!m_hAsyncFile)
        return;
    ControlHold hold(this);
    HANDLE file = m_hAsyncFile;
    m_hAsyncFile = nullptr;
    KillTimer(m_hNotifyWnd, kUploadPieceTimer);
    const CStr local = m_strAsyncLocalFile, remote = m_strAsyncRemoteFile;
    StopDownloadWorker();
    if (m_sockData == m_sockAsync)
        m_sockData = INVALID_SOCKET;
    // The data connection of an upload is the control's; a download's went with its worker. An
    // upload cut short is reset rather than closed: a server that saw a clean end would keep the
    // part it got as if it were the whole file.
    if (m_bAsyncUpload && !m_bUploadSent)
        ResetSocketMember(&m_sockAsync);
    m_sockAsync = INVALID_SOCKET;
    m_uploadPiece.clear();
    m_bAsyncUpload = false;

    LARGE_INTEGER zero = {}, position = {};
    SetFilePointerEx(file, zero, &position, FILE_CURRENT);
    CloseHandle(file);

    // The end's exchange is the transfer's own, whatever method it interrupts.
    OutsideOperation own(this);
    const unsigned serial = m_connection.serial;
    if (how == AsyncAborted || how == AsyncFailed) {
        // The server is told to stop, and its answers to the broken transfer and to ABOR are
        // taken, so that the next command gets its own reply.
        m_bAbort = FALSE;
        StopDataTransfer(true);
        if (!Superseded(serial))
            ReadTransferEnd(true);
    } else if (how == AsyncCompleted) {
        // All the data came, but only the server's final answer says whether the transfer
        // worked: a 451 or 552 after a clean close is a failure. An Abort that lands while this
        // answer is awaited ends the wait; the answer then stays owed to the next command.
        int code = ReadTransferEnd(false);
        if (code / 100 != 2 || m_bAbort)
            how = AsyncFailed;
        m_bAbort = FALSE;
    }
    if (Superseded(serial) && how != AsyncDropped)
        return;
    m_bBusy = FALSE;
    if (how == AsyncCompleted) {
        LPARAM bytes = static_cast<LPARAM>(position.QuadPart);
        m_asyncCompleted.push_back({local, remote});
        PostMessageA(m_hNotifyWnd, WM_FTP_PROGRESS, 0, bytes);
        if (!PostMessageA(m_hNotifyWnd, WM_FTP_TRANSFER_COMPLETE, reinterpret_cast<WPARAM>(this), bytes))
            m_asyncCompleted.pop_back();
    }
}

bool CDorvikFTPCtrl::OnAsyncNotice(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_bDestroying)
        return false;
    switch (msg) {
    case WM_FTP_PROGRESS:
        Fire_TransferProgress(static_cast<LONG>(lParam));
        return true;
    case WM_FTP_TRANSFER_COMPLETE: {
        if (m_asyncCompleted.empty())
            return true;
        // The names of the transfer that completed, whatever has started since.
        std::pair<CStr, CStr> names = m_asyncCompleted.front();
        m_asyncCompleted.pop_front();
        Fire_TransferComplete(names.first, names.second, static_cast<LONG>(lParam));
        return true;
    }
    case WM_TIMER:
        if (wParam != kUploadPieceTimer)
            return false;
        KillTimer(m_hNotifyWnd, kUploadPieceTimer);
        PumpUpload();
        return true;
    case WM_FTP_DATA_SOCKET: {
        // Notices of an older transfer's connection, or of none, are stale.
        if (!m_hAsyncFile || static_cast<SOCKET>(wParam) != m_sockAsync)
            return false;
        int event = WSAGETSELECTEVENT(lParam);
        if (event == FD_WRITE)
            PumpUpload();
        else if (event == FD_CLOSE) {
            // An upload whose connection the server closed before the whole file was out failed.
            bool complete = WSAGETSELECTERROR(lParam) == 0 && (!m_bAsyncUpload || m_bUploadSent);
            FinishAsyncTransfer(complete ? AsyncCompleted : AsyncFailed);
        }
        return true;
    }
    default:
        return false;
    }
}

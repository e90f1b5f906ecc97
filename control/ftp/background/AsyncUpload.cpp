// BeginPut: an upload driven by the hidden window, one piece whenever the data connection can
// take more, so that the host's thread stays free between pieces.
#include "AsyncTransfer.h"

#include "Bstr.h"
#include "FtpOperation.h"

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
    HANDLE file = INVALID_HANDLE_VALUE;
    auto refuse = [&](const CStr& text) -> HRESULT {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!op.Lost())
            CloseSocketMember(&m_sockData);
        return op.Fail(text);
    };
    // The local file comes first: one that cannot be read must not cost the server's copy, and
    // its failure is told on its own, with no server reply after it.
    file = OpenUploadSource(local, Offset);
    if (file == INVALID_HANDLE_VALUE)
        return refuse(m_strErrorDetail);
    SendCommand(CStr::Format("TYPE %c\r\n", (m_nBinaryMode & 0xFF) ? 'I' : 'A'));
    int code = ReadReply(&m_sockControl);
    if (code / 100 != 2)
        return refuse(m_strErrorDetail + m_strLastServerResponseText);
    if (OpenDataConnection() != 0)
        return refuse(m_strErrorDetail + m_strLastServerResponseText);
    if (Offset != 0) {
        // Without the server's 350 the tail of the file would replace the whole remote file.
        SendCommand(CStr::Format("REST %ld\r\n", Offset));
        if (ReadReply(&m_sockControl) != 350)
            return refuse(m_strErrorDetail + m_strLastServerResponseText);
    }
    SendCommand(CStr::Format("STOR %s\r\n", remote.c_str()));
    code = ReadReply(&m_sockControl);
    if (code < 100 || code >= 200 || op.Halted())
        return refuse(m_strErrorDetail + m_strLastServerResponseText);
    Fire_TransferStarting(local, remote, Offset);
    if (op.Lost())
        return refuse(kClosedUnderCallText);
    if (!m_nPassiveMode && !AcceptDataConnection(true, false)) {
        if (!op.Halted()) {
            CloseSocketMember(&m_sockListen);
            EndDataTransfer(true);
        }
        return refuse(m_strErrorDetail + m_strLastServerResponseText);
    }
    // Only the close of the connection is left to WinSock: the pieces are paced by the window.
    // The names first: nothing that can throw comes after the transfer is marked as running.
    m_strAsyncLocalFile = local;
    m_strAsyncRemoteFile = remote;
    m_uploadPiece.clear();
    WSAAsyncSelect(m_sockData, m_hNotifyWnd, WM_FTP_DATA_SOCKET, FD_CLOSE);
    m_hAsyncFile = file;
    m_sockAsync = m_sockData;
    m_bAsyncUpload = true;
    m_bUploadSent = false;
    m_nUploadPieceSent = 0;
    // An Abort from the TransferStarting handler ends the transfer before its first piece.
    if (m_bAbort) {
        FinishAsyncTransfer(AsyncAborted);
        return op.Succeed();
    }
    PostMessageA(m_hNotifyWnd, WM_FTP_DATA_SOCKET, static_cast<WPARAM>(m_sockAsync), WSAMAKESELECTREPLY(FD_WRITE, 0));
    // Busy stays set: the transfer's end in the hidden window clears it.
    op.KeepBusy();
    return op.Succeed();
}
COMKIT_METHOD_CATCH

// One step of the upload: read the next piece unless part of the last one still waits, send
// what the connection takes, and come back for more. A piece is reported once it is all out.
void CDorvikFTPCtrl::PumpUpload()
{
    if (!m_hAsyncFile || !m_bAsyncUpload || m_bUploadSent)
        return;
    if (m_nUploadPieceSent >= m_uploadPiece.size()) {
        m_uploadPiece.resize(kAsyncPiece);
        DWORD got = 0;
        if (!ReadFile(m_hAsyncFile, m_uploadPiece.data(), kAsyncPiece, &got, nullptr)) {
            m_uploadPiece.clear();
            FinishAsyncTransfer(AsyncFailed);
            return;
        }
        m_uploadPiece.resize(got);
        m_nUploadPieceSent = 0;
        if (got == 0) {
            // The whole file is out: closing the connection tells the server so.
            m_bUploadSent = true;
            shutdown(m_sockAsync, SD_SEND);
            closesocket(m_sockAsync);
            if (m_sockData == m_sockAsync)
                m_sockData = INVALID_SOCKET;
            PostMessageA(m_hNotifyWnd, WM_FTP_DATA_SOCKET, static_cast<WPARAM>(m_sockAsync),
                         WSAMAKESELECTREPLY(FD_CLOSE, 0));
            return;
        }
    }
    while (m_nUploadPieceSent < m_uploadPiece.size()) {
        int sent = send(m_sockAsync, m_uploadPiece.data() + m_nUploadPieceSent,
                        static_cast<int>(m_uploadPiece.size() - m_nUploadPieceSent), 0);
        if (sent > 0) {
            m_nUploadPieceSent += static_cast<size_t>(sent);
            continue;
        }
        if (WSAGetLastError() == WSAEWOULDBLOCK) {
            // The connection is full: WinSock says when it can take more.
            WSAAsyncSelect(m_sockAsync, m_hNotifyWnd, WM_FTP_DATA_SOCKET, FD_WRITE | FD_CLOSE);
            return;
        }
        FinishAsyncTransfer(AsyncFailed);
        return;
    }
    LARGE_INTEGER zero = {}, position = {};
    SetFilePointerEx(m_hAsyncFile, zero, &position, FILE_CURRENT);
    // Back to close notices only, and on to the next piece.
    WSAAsyncSelect(m_sockAsync, m_hNotifyWnd, WM_FTP_DATA_SOCKET, FD_CLOSE);
    ScheduleNextPiece();
    Fire_TransferProgress(static_cast<LONG>(position.QuadPart));
}

// A posted notice is taken before the host's input, painting and timers every time, so a chain
// of them would freeze the host's window until the upload ends: while any of those wait, the
// next piece waits for a timer, which comes after them.
void CDorvikFTPCtrl::ScheduleNextPiece()
{
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0)
        SetTimer(m_hNotifyWnd, kUploadPieceTimer, USER_TIMER_MINIMUM, nullptr);
    else
        PostMessageA(m_hNotifyWnd, WM_FTP_DATA_SOCKET, static_cast<WPARAM>(m_sockAsync), WSAMAKESELECTREPLY(FD_WRITE, 0));
}

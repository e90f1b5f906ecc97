// Put: one local file to the server, on the host's thread, with resume from an offset.
#include "FtpOperation.h"

#include "Bstr.h"
#include "PieceUpload.h"
#include "TransferEnds.h"

HANDLE CDorvikFTPCtrl::OpenUploadSource(const CStr& local, long offset)
{
    HANDLE file = CreateFileA(local, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (file != INVALID_HANDLE_VALUE && offset != 0 && !SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
        DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        file = INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE)
        m_strErrorDetail = CStr::Format("Error opening local file. (code %ld)", static_cast<long>(GetLastError()));
    return file;
}

STDMETHODIMP CDorvikFTPCtrl::Put(BSTR LocalFilename, BSTR RemoteFilename, long Offset)
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
    // Every failure before the data phase: the file and the data connection go.
    auto failureTail = [&]() -> HRESULT {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!op.Halted())
            CloseSocketMember(&m_sockData);
        return op.Fail(m_strErrorDetail + m_strLastServerResponseText);
    };
    try {
        // The local file first: a file that cannot be read must not cost the server's copy, and
        // no command has been sent, so no earlier reply belongs in the text.
        file = OpenUploadSource(local, 0);
        if (file == INVALID_HANDLE_VALUE)
            return op.Fail(m_strErrorDetail);
        SendCommand(CStr::Format("TYPE %c\r\n", (m_nBinaryMode & 0xFF) ? 'I' : 'A'));
        int code = ReadReply(&m_sockControl);
        if (code < 200 || code > 299 || OpenDataConnection() != 0)
            return failureTail();
        if (Offset != 0) {
            // Without the server's 350 the file's tail would replace the whole remote file.
            SendCommand(CStr::Format("REST %ld\r\n", Offset));
            if (ReadReply(&m_sockControl) != 350)
                return failureTail();
        }
        SendCommand(CStr::Format("STOR %s\r\n", remote.c_str()));
        code = ReadReply(&m_sockControl);
        if (code < 100 || code > 199 || op.Halted())
            return failureTail();
        Fire_TransferStarting(local, remote, Offset);
        if (op.Lost())
            return failureTail();
        if (!m_nPassiveMode && !AcceptDataConnection(false, true)) {
            if (!op.Halted()) {
                CloseSocketMember(&m_sockListen);
                EndDataTransfer(true);
            }
            return failureTail();
        }

        long count = Offset;
        LARGE_INTEGER position;
        position.QuadPart = Offset;
        UploadEnd how = UploadEnd::ReadFailed;
        if (Offset == 0 || SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
            how = SendFilePieces(this, file, &count);
        else
            m_strErrorDetail = CStr::Format("Error reading local file. (code %ld)", static_cast<long>(GetLastError()));
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        if (how == UploadEnd::Superseded || op.Lost())
            return op.Fail(kClosedUnderCallText);

        if (how != UploadEnd::Sent) {
            // The part that went out must not stand on the server as a whole file: the data
            // connection is reset, not closed, and the server told to stop.
            if (how == UploadEnd::Aborted)
                m_strErrorDetail = "Aborted";
            ResetSocketMember(&m_sockData);
            m_bAbort = FALSE;
            TransferReply reply = FinishTransfer(this, true);
            return op.Fail(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), reply.text.c_str()));
        }
        StopDataTransfer(false);
        Fire_TransferComplete(local, remote, count);
        code = ReadTransferEnd(false);
        if (code >= 200 && code <= 299)
            return op.Succeed();
        return op.Fail(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), m_strLastServerResponseText.c_str()));
    } catch (...) {
        return failureTail();
    }
}
COMKIT_METHOD_CATCH

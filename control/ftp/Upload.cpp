// Put: one local file to the server, on the host's thread, with resume from an offset.
#include "FtpOperation.h"

#include "Bstr.h"
#include "PieceUpload.h"
#include "SocketHelpers.h"
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
    DataTransfer t(local, remote, Offset, true);
    try {
        // The local file first: a file that cannot be read must not cost the server's copy, and
        // no command has been sent, so no earlier reply belongs in the text.
        t.file = OpenUploadSource(local, 0);
        if (t.file == INVALID_HANDLE_VALUE)
            return op.Fail(m_strErrorDetail);
        const char type = (m_nBinaryMode & 0xFF) ? 'I' : 'A';
        switch (OpenDataPhase(t, type, CStr::Format("STOR %s\r\n", remote.c_str()), false)) {
        case PhaseOpen:
            break;
        case PhaseAborted:
            return op.Fail("Aborted");
        default:
            return op.Fail(m_strErrorDetail + m_strLastServerResponseText);
        }

        LARGE_INTEGER position;
        position.QuadPart = Offset;
        UploadEnd how = UploadEnd::ReadFailed;
        if (Offset == 0 || SetFilePointerEx(t.file, position, nullptr, FILE_BEGIN))
            how = SendFilePieces(this, t.sock, t.file, &t.count);
        else
            m_strErrorDetail = CStr::Format("Error reading local file. (code %ld)", static_cast<long>(GetLastError()));
        CloseHandle(t.file);
        t.file = INVALID_HANDLE_VALUE;
        if (how == UploadEnd::Superseded || op.Lost())
            return op.Fail(kClosedUnderCallText);

        if (how != UploadEnd::Sent) {
            // The part that went out must not stand on the server as a whole file: the data
            // connection is reset, not closed, and the server told to stop.
            if (how == UploadEnd::Aborted)
                m_strErrorDetail = "Aborted";
            TransferReply reply = FinishTransfer(this, t, true);
            return op.Fail(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), reply.text.c_str()));
        }
        t.allSent = true;
        TransferReply reply = FinishTransfer(this, t, false);
        if (!reply.Succeeded())
            return op.Fail(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), reply.text.c_str()));
        // Only once the server has the whole file: a host that deletes or moves its copy on this
        // event must not lose it to a refused upload. Busy is still set while it fires.
        Fire_TransferComplete(local, remote, t.count);
        return op.Succeed();
    } catch (...) {
        return op.Fail(m_strErrorDetail + m_strLastServerResponseText);
    }
}
COMKIT_METHOD_CATCH

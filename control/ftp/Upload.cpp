// Put: one local file to the server, on the host's thread, with resume from an offset.
#include "ControlChannel.h"

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
    if (m_bBusy)
        return Error("Busy.");
    CStr local = AnsiFromBstr(LocalFilename);
    CStr remote = AnsiFromBstr(RemoteFilename);
    const CStr refusal = TransferRefusal(remote, Offset);
    if (!refusal.IsEmpty())
        return Error(refusal);

    ControlHold hold(this);
    const unsigned serial = m_nSessionSerial;
    m_bBusy = TRUE;
    m_bAbort = FALSE;
    SetState(DFTP_STATE_UPLOADING);
    HANDLE file = INVALID_HANDLE_VALUE;
    auto failureTail = [&]() -> HRESULT {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        m_bBusy = FALSE;
        SetState(DFTP_STATE_LOGGEDIN);
        return Error(m_strErrorDetail + m_strLastServerResponseText);
    };
    try {
        // The local file first: a file that cannot be read must not cost the server's copy.
        file = OpenUploadSource(local, 0);
        if (file == INVALID_HANDLE_VALUE) {
            // No command has been sent: an earlier reply has nothing to do with this failure.
            m_bBusy = FALSE;
            SetState(DFTP_STATE_LOGGEDIN);
            return Error(m_strErrorDetail);
        }
        if (Superseded(serial))
            return failureTail();
        SendCommand(CStr::Format("TYPE %c\r\n", (m_nBinaryMode & 0xFF) ? 'I' : 'A'));
        int code = ReadReply(&m_sockControl);
        if (code < 200 || code > 299 || Superseded(serial))
            return failureTail();
        if (OpenDataConnection() != 0 || Superseded(serial)) {
            if (!Superseded(serial))
                CloseSocketMember(&m_sockData);
            return failureTail();
        }
        if (Offset != 0) {
            // Without the server's 350 the file's tail would replace the whole remote file.
            SendCommand(CStr::Format("REST %ld\r\n", Offset));
            if (ReadReply(&m_sockControl) != 350 || Superseded(serial)) {
                if (!Superseded(serial))
                    CloseSocketMember(&m_sockData);
                return failureTail();
            }
        }
        SendCommand(CStr::Format("STOR %s\r\n", remote.c_str()));
        code = ReadReply(&m_sockControl);
        if (code < 100 || code > 199 || Superseded(serial)) {
            if (!Superseded(serial))
                CloseSocketMember(&m_sockData);
            return failureTail();
        }
        Fire_TransferStarting(local, remote, Offset);
        if (Superseded(serial))
            return failureTail();
        if (!m_nPassiveMode && !AcceptDataConnection(false, true)) {
            if (Superseded(serial))
                return failureTail();
            CloseSocketMember(&m_sockListen);
            EndDataTransfer(true);
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
        if (how == UploadEnd::Superseded || Superseded(serial))
            return Error(kClosedUnderCallText);

        if (how != UploadEnd::Sent) {
            // The part that went out must not stand on the server as a whole file: the data
            // connection is reset, not closed, and the server told to stop.
            if (how == UploadEnd::Aborted)
                m_strErrorDetail = "Aborted";
            ResetSocketMember(&m_sockData);
            m_bAbort = FALSE;
            TransferReply reply = FinishTransfer(this, true);
            if (Superseded(serial))
                return Error(kClosedUnderCallText);
            m_bBusy = FALSE;
            SetState(DFTP_STATE_LOGGEDIN);
            return Error(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), reply.text.c_str()));
        }
        StopDataTransfer(false);
        Fire_TransferComplete(local, remote, count);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        code = ReadTransferEnd(false);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        m_bBusy = FALSE;
        SetState(DFTP_STATE_LOGGEDIN);
        if (code >= 200 && code <= 299)
            return S_OK;
        return Error(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), m_strLastServerResponseText.c_str()));
    } catch (...) {
        return failureTail();
    }
}
COMKIT_METHOD_CATCH

// Put: one local file to the server, on the host's thread, with resume from an offset.
#include "ControlChannel.h"

#include <vector>

#include "Bstr.h"

namespace {

// The progress report comes every piece; the file is read and the socket written a whole block
// of pieces at a time, since under Wine a call costs about the same whatever its size.
const int kPiece = 102400;
const int kPiecesPerBlock = 40;

} // namespace

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
    const unsigned serial = m_connection.serial;
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
        if (file == INVALID_HANDLE_VALUE)
            return failureTail();
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
        bool readFailed = Offset != 0 && !SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
        // Blocking from here: the upload loop sends each block whole.
        WSAAsyncSelect(m_sockData, m_hNotifyWnd, 0, 0);
        u_long blocking = 0;
        ioctlsocket(m_sockData, FIONBIO, &blocking);

        std::vector<char> block(static_cast<size_t>(kPiece) * kPiecesPerBlock);
        bool sendFailed = false;
        bool aborted = false;
        while (!readFailed && !sendFailed && !aborted) {
            DWORD got = 0;
            if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
                readFailed = true;
                break;
            }
            if (got == 0)
                break;
            int sent = 0;
            while (sent < static_cast<int>(got)) {
                int n = send(m_sockData, block.data() + sent, static_cast<int>(got) - sent, 0);
                PumpMessages(this);
                if (Superseded(serial))
                    return failureTail();
                if (n > 0) {
                    sent += n;
                } else if (WSAGetLastError() != WSAEWOULDBLOCK) {
                    sendFailed = true;
                    break;
                }
            }
            // One report per piece, as far as the block went out.
            for (int done = 0; done < static_cast<int>(got); done += kPiece) {
                int piece = static_cast<int>(got) - done < kPiece ? static_cast<int>(got) - done : kPiece;
                count += piece;
                Fire_TransferProgress(count);
                if (Superseded(serial))
                    return failureTail();
            }
            PumpMessages(this);
            if (Superseded(serial))
                return failureTail();
            if (m_bAbort)
                aborted = true;
        }
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;

        if (readFailed) {
            // A file cut short by a read error must not stand on the server as if complete.
            m_strErrorDetail = CStr::Format("Error reading local file. (code %ld)", static_cast<long>(GetLastError()));
            EndDataTransfer(true);
            if (Superseded(serial))
                return Error(kClosedUnderCallText);
            m_bBusy = FALSE;
            SetState(DFTP_STATE_LOGGEDIN);
            return Error(CStr::Format("Error: %s %s", m_strErrorDetail.c_str(), m_strLastServerResponseText.c_str()));
        }
        StopDataTransfer(aborted);
        Fire_TransferComplete(local, remote, count);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        code = ReadTransferEnd(aborted);
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

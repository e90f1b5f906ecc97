// Get: one remote file into a local file, on the host's thread, with resume from an offset.
#include "FtpOperation.h"

#include "Bstr.h"
#include "FileWriterThread.h"
#include "LocalTransferFiles.h"
#include "SocketHelpers.h"

namespace {

// Under Wine each call costs about the same whatever its size, so the sizes are the throughput:
// receives take all the socket holds, and a block goes to the file once it is full or the burst
// ends. The file is written on a thread of its own, so that writing one block and receiving the
// next overlap.
const int kReceiveBlock = 2 << 20;
const int kBlocksInFlight = 4;
const int kBurstLimit = 16 << 20;
// Room in the socket for a few blocks, so that each receive finds a full one waiting.
const int kSocketBuffer = 4 << 20;
const long kBurstPause = 2000;  // microseconds
const long kIdlePause = 5000;

const int kFailed = -1;
const int kReplyTimeout = -10;

enum class ReceiveEnd { Closed, Failed, Aborted, Superseded };

// True when bytes (or the peer's close) are waiting within `microseconds`.
bool WaitForData(SOCKET s, long microseconds)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval pause = {0, microseconds};
    return select(0, &readable, nullptr, nullptr, &pause) > 0;
}

// Receives the data connection into `writer` until the server closes it. A progress report
// waits for the burst to be in the file, so that its count is what the file holds.
ReceiveEnd ReceiveBursts(CDorvikFTPCtrl* control, FileWriterThread* writer, long start, long* count)
{
    const unsigned serial = control->m_connection.serial;
    char* block = writer->Take();
    int filled = 0;
    control->m_tOperationStart = NowSeconds();
    for (;;) {
        // One burst: everything that keeps coming, then one progress report. A pause of a
        // moment does not end the burst, so that a fast transfer reports (and pumps) once per
        // several blocks rather than once per receive.
        int received = 0;
        int n = 0;
        int error = 0;
        for (;;) {
            n = recv(control->m_sockData, block + filled, kReceiveBlock - filled, 0);
            if (n > 0) {
                received += n;
                filled += n;
                if (filled == kReceiveBlock) {
                    writer->Give(filled);
                    block = writer->Take();
                    filled = 0;
                }
                if (received >= kBurstLimit)
                    break;
                continue;
            }
            error = (n < 0) ? WSAGetLastError() : 0;
            if (n == 0 || error != WSAEWOULDBLOCK || received == 0 || !WaitForData(control->m_sockData, kBurstPause))
                break;
        }
        if (filled > 0) {
            writer->Give(filled);
            block = writer->Take();
            filled = 0;
        }
        if (writer->Error() != 0)
            return ReceiveEnd::Failed;
        if (received > 0) {
            PumpMessages(control);
            if (control->Superseded(serial))
                return ReceiveEnd::Superseded;
            if (control->m_bAbort)
                return ReceiveEnd::Aborted;
            writer->Drain();
            if (writer->Error() != 0)
                return ReceiveEnd::Failed;
            *count = start + writer->Written();
            control->Fire_TransferProgress(*count);
            control->m_tOperationStart = NowSeconds();
        }
        if (n == 0)
            return ReceiveEnd::Closed;  // the server closed the data connection: the whole file is here
        if (n > 0)
            continue;  // the burst reached its limit with more waiting
        if (error != WSAEWOULDBLOCK && error != 0)
            return ReceiveEnd::Failed;
        // A short wait for the next bytes before the pump: spinning on the message queue
        // would keep Wine's server, which our receives need too, busy for nothing.
        WaitForData(control->m_sockData, kIdlePause);
        PumpMessages(control);
        if (control->Superseded(serial))
            return ReceiveEnd::Superseded;
        if (WaitExpired(control->m_tOperationStart, control->m_nTimeout)) {
            control->m_strErrorDetail = "Timeout!";
            WSASetLastError(WSAETIMEDOUT);
            return ReceiveEnd::Failed;
        }
        if (control->m_bAbort)
            return ReceiveEnd::Aborted;
    }
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::Get(BSTR RemoteFile, BSTR LocalFile, long Offset)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr remote = AnsiFromBstr(RemoteFile);
    CStr local = AnsiFromBstr(LocalFile);
    const CStr refusal = TransferRefusal(remote, Offset);
    if (!refusal.IsEmpty())
        return Error(refusal);

    op.Begin(DFTP_STATE_DOWNLOADING, DFTP_STATE_LOGGEDIN);
    long count = Offset;
    int status = RetrieveFile(remote, local, m_nBinaryMode ? 'I' : 'A', Offset, &count);
    if (status == 0 && !op.Halted()) {
        // The control is free again when the host hears of the file, so that its handler can
        // start the next transfer; one that is still running after it keeps Busy for its own.
        m_bBusy = FALSE;
        Fire_TransferComplete(local, remote, count);
        if (m_bBusy)
            op.KeepBusy();
    }
    if (status == 0)
        return op.Succeed();
    return op.Fail(status == kReplyTimeout ? "Timeout" : "Get failed");
}
COMKIT_METHOD_CATCH

int CDorvikFTPCtrl::RetrieveFile(const CStr& remote, const CStr& local, char type, long offset, long* count)
{
    ControlHold hold(this);
    *count = offset;
    if (!SendCommand(CStr::Format("TYPE %c\r\n", type)))
        return kFailed;
    if (ReadReply(&m_sockControl) == kReplyTimeout)
        return kReplyTimeout;
    m_bAbort = FALSE;
    if (OpenDataConnection() != 0 || OperationLost()) {
        CloseDataSocket();
        return kFailed;
    }
    if (offset != 0) {
        // Without the server's 350 the file would come from its first byte and land at offset.
        if (!SendCommand(CStr::Format("REST %ld\r\n", offset)))
            return kFailed;
        int code = ReadReply(&m_sockControl);
        if (code != 350) {
            CloseDataSocket();
            return code == kReplyTimeout ? kReplyTimeout : kFailed;
        }
    }
    if (!SendCommand(CStr::Format("RETR %s\r\n", remote.c_str())))
        return kFailed;
    int code = ReadReply(&m_sockControl);
    if (code == kReplyTimeout || code >= 300 || OperationLost()) {
        CloseDataSocket();
        return code == kReplyTimeout ? kReplyTimeout : kFailed;
    }
    if (!m_nPassiveMode && !AcceptDataConnection(false, true)) {
        if (OperationLost())
            return kFailed;
        // The server must not find a listener later and send the file into nothing.
        CloseSocketMember(&m_sockListen);
        EndDataTransfer(true);
        return kFailed;
    }
    Fire_TransferStarting(local, remote, offset);
    if (OperationLost())
        return kFailed;
    WSASetLastError(0);

    CStr failure;  // never shown: the host hears "Get failed"
    HANDLE file = OpenDownloadTarget(local, offset, &failure);
    if (file != INVALID_HANDLE_VALUE && !DropDownloadTargetTail(file, &failure)) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE) {
        EndDataTransfer(true);
        return kFailed;
    }

    // Notices for every receive would cost a posted message each; the window ignores them
    // during a synchronous download anyway. The socket stays non-blocking.
    WSAAsyncSelect(m_sockData, m_hNotifyWnd, 0, 0);
    WidenSocketBuffer(m_sockData, SO_RCVBUF, kSocketBuffer);
    ReceiveEnd how = ReceiveEnd::Failed;
    {
        FileWriterThread writer(file, kReceiveBlock, kBlocksInFlight);
        if (writer.Started()) {
            how = ReceiveBursts(this, &writer, offset, count);
            // What was received is in the file before it is closed, whatever ended the receiving.
            if (!writer.Finish() && how != ReceiveEnd::Superseded)
                how = ReceiveEnd::Failed;
            *count = offset + writer.Written();
        }
    }
    if (how == ReceiveEnd::Superseded) {
        CloseHandle(file);
        return kFailed;
    }
    const bool failed = how == ReceiveEnd::Failed;
    const bool aborted = how == ReceiveEnd::Aborted;

    Fire_TransferProgress(*count);
    CloseHandle(file);
    if (OperationLost())
        return kFailed;
    // A download that did not end with the server's close is stopped on the server as well.
    EndDataTransfer(failed || aborted);
    return failed ? kFailed : 0;
}

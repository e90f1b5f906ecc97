// Get: one remote file into a local file, on the host's thread, with resume from an offset.
#include "FtpOperation.h"

#include "Bstr.h"
#include "FileWriterThread.h"
#include "LocalTransferFiles.h"
#include "SocketHelpers.h"
#include "TransferEnds.h"

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
const int kAbortedBeforeData = -2;
const int kReplyTimeout = -10;

enum class ReceiveEnd { Closed, Failed, Aborted, Superseded };

// Receives the data connection into `writer` until the server closes it. A progress report
// waits for the burst to be in the file, so that its count is what the file holds.
ReceiveEnd ReceiveBursts(CDorvikFTPCtrl* control, SOCKET s, FileWriterThread* writer, long start, long* count)
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
            n = recv(s, block + filled, kReceiveBlock - filled, 0);
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
            if (n == 0 || error != WSAEWOULDBLOCK || received == 0 || !WaitForData(s, kBurstPause))
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
            if (control->ConnectionGone(serial))
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
        // A short wait for the next bytes: spinning on the message queue would keep Wine's
        // server, which our receives need too, busy for nothing. The host's messages are served
        // when the bytes take longer, and after every burst.
        if (!WaitForData(s, kIdlePause))
            PumpMessages(control);
        if (control->ConnectionGone(serial))
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
    return op.Fail(status == kReplyTimeout ? "Timeout" : status == kAbortedBeforeData ? "Aborted" : "Get failed");
}
COMKIT_METHOD_CATCH

int CDorvikFTPCtrl::RetrieveFile(const CStr& remote, const CStr& local, char type, long offset, long* count)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    *count = offset;
    DataTransfer t(local, remote, offset, false);
    switch (OpenDataPhase(t, type, CStr::Format("RETR %s\r\n", remote.c_str()), false)) {
    case PhaseOpen:
        break;
    case PhaseTimedOut:
        return kReplyTimeout;
    case PhaseAborted:
        // Before the server took RETR: the local file is as it was, and the Abort is spent.
        m_bAbort = FALSE;
        return kAbortedBeforeData;
    default:
        return kFailed;
    }
    WSASetLastError(0);

    CStr failure;  // never shown: the host hears "Get failed"
    t.file = OpenDownloadTarget(local, offset, &failure);
    // A file made anew (offset 0) has no tail to drop.
    if (t.file != INVALID_HANDLE_VALUE && offset != 0 && !DropDownloadTargetTail(t.file, &failure)) {
        CloseHandle(t.file);
        t.file = INVALID_HANDLE_VALUE;
    }
    if (t.file == INVALID_HANDLE_VALUE) {
        FinishTransfer(this, t, true);
        return kFailed;
    }

    WidenSocketBuffer(t.sock, SO_RCVBUF, kSocketBuffer);
    ReceiveEnd how = ReceiveEnd::Failed;
    {
        FileWriterThread writer(t.file, kReceiveBlock, kBlocksInFlight, &m_receiveBlock);
        if (writer.Ready()) {
            how = ReceiveBursts(this, t.sock, &writer, offset, count);
            // What was received is in the file before it is closed, whatever ended the receiving.
            if (!writer.Finish() && how != ReceiveEnd::Superseded)
                how = ReceiveEnd::Failed;
            *count = offset + writer.Written();
        }
    }
    if (how == ReceiveEnd::Superseded)
        return kFailed;
    Fire_TransferProgress(*count);
    CloseHandle(t.file);
    t.file = INVALID_HANDLE_VALUE;
    if (ConnectionGone(serial))
        return kFailed;
    // A download that did not end with the server's close is stopped on the server as well.
    // Under Wine a reset after the data reads as a clean close: only the server's final word
    // says whether the file is whole.
    TransferReply reply = FinishTransfer(this, t, how != ReceiveEnd::Closed);
    if (how == ReceiveEnd::Aborted)
        return 0;
    if (how != ReceiveEnd::Closed)
        return kFailed;
    if (reply.Succeeded())
        return 0;
    return reply.code == kReplyTimeout ? kReplyTimeout : kFailed;
}

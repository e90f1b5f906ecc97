// Put's send loop. Under Wine a call costs about the same whatever its size, so the file is read
// and the socket written in large blocks; the piece is only the unit of the progress report, the
// abort check and the count.
#include "PieceUpload.h"

#include <memory>

#include "ControlChannel.h"
#include "SocketHelpers.h"

namespace {

const int kPiece = 102400;
const int kPiecesPerBlock = 40;
// How long one wait for room in the connection lasts before the host's messages are served.
const long kRoomWait = 20000;  // microseconds

} // namespace

UploadEnd SendFilePieces(CDorvikFTPCtrl* control, SOCKET s, HANDLE file, long* count)
{
    ControlHold hold(control);
    const unsigned serial = control->m_connection.serial;
    // The data connection comes without notices and non-blocking: a send never waits, so every
    // wait below is ours, bounded and pumping. The block is no larger than the file: most files of
    // a folder tree are small, and a fresh block of megabytes costs more than sending them.
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    const size_t blockSize = static_cast<size_t>(
        size.QuadPart < 1 ? 1 : size.QuadPart < kPiece * kPiecesPerBlock ? size.QuadPart : kPiece * kPiecesPerBlock);
    std::unique_ptr<char[]> block(new char[blockSize]);
    control->m_tOperationStart = NowSeconds();
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, block.get(), static_cast<DWORD>(blockSize), &got, nullptr)) {
            control->m_strErrorDetail =
                CStr::Format("Error reading local file. (code %ld)", static_cast<long>(GetLastError()));
            return UploadEnd::ReadFailed;
        }
        if (got == 0)
            return UploadEnd::Sent;
        const int length = static_cast<int>(got);
        int sent = 0;
        int reported = 0;
        while (reported < length) {
            if (sent < length) {
                int n = send(s, block.get() + sent, length - sent, 0);
                if (n > 0) {
                    sent += n;
                    control->m_tOperationStart = NowSeconds();
                } else {
                    int error = WSAGetLastError();
                    if (error != WSAEWOULDBLOCK) {
                        control->m_strErrorDetail = CStr::Format("Error sending data. (code %d)", error);
                        return UploadEnd::SendFailed;
                    }
                    WaitForRoom(s, kRoomWait);
                }
                PumpMessages(control);
                if (control->ConnectionGone(serial))
                    return UploadEnd::Superseded;
                if (control->m_bAbort)
                    return UploadEnd::Aborted;
                if (WaitExpired(control->m_tOperationStart, control->m_nTimeout)) {
                    control->m_strErrorDetail = "Timeout!";
                    return UploadEnd::TimedOut;
                }
            }
            // Every piece that is all out is reported; the block's last, short piece once the
            // block is.
            while (reported < length && (sent - reported >= kPiece || sent == length)) {
                int piece = length - reported < kPiece ? length - reported : kPiece;
                reported += piece;
                *count += piece;
                control->Fire_TransferProgress(*count);
                if (control->ConnectionGone(serial))
                    return UploadEnd::Superseded;
                if (control->m_bAbort)
                    return UploadEnd::Aborted;
            }
        }
    }
}

// The control connection: pumping while waiting, reading reply lines and replies, sending
// command lines.
#include "ControlChannel.h"

#include <cstring>

#include "FtpOperation.h"
#include "ReplyDecoding.h"
#include "SocketHelpers.h"

namespace {
// Replies are short; one receive of this size nearly always holds a whole one.
const int kReceiveBlock = 4096;
const int kReplyLineMax = 300;
const int kReplyTimedOut = -10;
// How long one wait for an answer's bytes, or for room in a full connection, lasts before the
// host's messages are served.
const long kReplyWait = 5000;  // microseconds
const long kRoomWait = 20000;

// The commands that open a data transfer: the server answers them with a preliminary 1xx when the
// transfer starts and with a final reply when it ends.
bool IsTransferCommand(const CStr& line)
{
    static const char* const verbs[] = {"RETR", "STOR", "STOU", "APPE", "LIST", "NLST", "MLSD"};
    for (const char* verb : verbs) {
        if (line.GetLength() >= 4 && _strnicmp(line.c_str(), verb, 4) == 0 &&
            (line.GetLength() == 4 || line.At(4) == ' ' || line.At(4) == '\r'))
            return true;
    }
    return false;
}

} // namespace

const char kClosedUnderCallText[] = "The connection was closed while the command ran.";

void PumpMessages(CDorvikFTPCtrl* control)
{
    if (control && control->m_bAbort)
        return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            if (control)
                control->m_bAbort = TRUE;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(0);
}

long long NowSeconds()
{
    return static_cast<long long>(_time64(nullptr));
}

bool WaitExpired(long long start, long timeout)
{
    return NowSeconds() - start > static_cast<long long>(timeout);
}

bool IsSafeCommandArgument(const CStr& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        char c = text.At(i);
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    return true;
}

CStr UnsafeArgumentText(const char* what)
{
    return CStr::Format("Invalid %s: CR, LF and NUL characters cannot be sent in an FTP command.", what);
}

CStr TransferRefusal(const CStr& remote, long offset)
{
    if (!IsSafeCommandArgument(remote))
        return UnsafeArgumentText("remote file name");
    if (offset < 0)
        return "Invalid offset: a transfer cannot start before the first byte.";
    return CStr();
}

void CloseSocketMember(SOCKET* s)
{
    if (*s != INVALID_SOCKET) {
        closesocket(*s);
        *s = INVALID_SOCKET;
    }
}

bool CDorvikFTPCtrl::ConnectionGone(unsigned serial) const
{
    return serial != m_connection.serial || (m_pOperation && m_pOperation->Halted());
}

// What the socket holds is taken in one receive; the bytes past the line's end (the next reply,
// or the rest of this one) wait in the connection's record for the next call, and the bytes of a
// line that is still arriving wait in its partial line until its CR comes. So one receive serves
// a whole reply, and nothing of one connection is ever read as part of the next.
int CDorvikFTPCtrl::ReadLine(SOCKET* s, CStr* line, int max)
{
    FtpConnection& connection = m_connection;
    std::string& received = connection.received;
    for (;;) {
        if (received.empty()) {
            char block[kReceiveBlock];
            int n = recv(*s, block, kReceiveBlock, 0);
            if (n == 0) {
                // The peer closed: what came of the line is all there will be.
                connection.closedByPeer = true;
                *line = connection.partialLine;
                m_bLastLineContinued = connection.partialIsContinuation;
                connection.partialLine.Empty();
                connection.partialIsContinuation = false;
                Fire_Reply(*line);
                return -1;
            }
            if (n < 0) {
                int error = WSAGetLastError();
                *line = connection.partialLine;
                return error;
            }
            received.assign(block, static_cast<size_t>(n));
        }

        enum { More, Complete, Cut, Aborted } outcome = More;
        size_t used = 0;
        while (used < received.size() && outcome == More) {
            unsigned char byte = static_cast<unsigned char>(received[used++]);
            if (byte == '\r') {
                // Its LF goes with it, so that an answer read whole leaves nothing behind.
                if (used < received.size() && received[used] == '\n')
                    ++used;
                outcome = Complete;
                break;
            }
            if (byte > '\r')
                connection.partialLine += static_cast<char>(byte);
            if (connection.partialLine.GetLength() >= max)
                outcome = Cut;
            else if (m_bAbort)
                outcome = Aborted;
        }
        received.erase(0, used);

        if (outcome == More)
            continue;
        *line = connection.partialLine;
        if (outcome == Aborted)
            return -1;
        m_bLastLineContinued = connection.partialIsContinuation;
        connection.partialLine.Empty();
        // The rest of an over-long line is read as a line of its own, but never judged as a reply.
        connection.partialIsContinuation = (outcome == Cut);
        Fire_Reply(*line);
        return outcome == Cut ? max : line->GetLength() + 1;
    }
}

int CDorvikFTPCtrl::ReadReply(SOCKET* s)
{
    FtpConnection& connection = m_connection;
    const unsigned serial = connection.serial;
    // A run that could not send its command has no answer to read: what waits belongs to another.
    if (ConnectionGone(serial))
        return 0;
    ControlHold hold(this);
    const SOCKET mine = *s;
    const long long start = NowSeconds();
    int code = 0;
    CStr line;
    // Right after a command its answer is never here yet: a receive first could only fail, and
    // under Wine that call is a good part of what a small file's exchange costs.
    if (connection.commandJustSent && connection.received.empty()) {
        connection.commandJustSent = false;
        if (!WaitForData(*s, kReplyWait))
            PumpMessages(this);
        if (ConnectionGone(serial) || *s != mine)
            return 0;
    }
    connection.commandJustSent = false;
    for (;;) {
        int r = ReadLine(s, &line, kReplyLineMax);
        // A Disconnect from an event handler took the connection away: its reply is not ours.
        if (ConnectionGone(serial) || *s != mine)
            return 0;
        if (r == WSAEWOULDBLOCK) {
            // Until the answer's next bytes come, at most a moment; the host's messages are
            // served when they take longer (an answer on its way needs no pump before it).
            if (!WaitForData(*s, kReplyWait))
                PumpMessages(this);
            if (ConnectionGone(serial) || *s != mine)
                return 0;
        } else if (r > 9000) {
            // A reset or a dead socket: nothing more will come on this connection.
            connection.closedByPeer = true;
            break;
        }
        if (r == -1)
            break;
        // The line is judged as soon as it is taken from the socket, so that a reply line never
        // stays owed because it came (or its Reply handler ran) past the time-out. Only a reply's
        // first line opens a multi-line reply, which then ends at its own code, however many
        // waits it takes to arrive.
        int ending = -1;
        if (r > 0 && r != WSAEWOULDBLOCK && !m_bLastLineContinued) {
            int lineCode = ReplyLineCode(line);
            if (lineCode >= 0 && (connection.openMultiLineCode < 0 || lineCode == connection.openMultiLineCode))
                ending = lineCode;
            else if (connection.openMultiLineCode < 0 && lineCode < 0)
                connection.openMultiLineCode = ReplyContinuationCode(line);
        }
        if (ending >= 0) {
            connection.openMultiLineCode = -1;
            // A preliminary (1xx) answer to a transfer still owes the final one.
            std::deque<bool>& owed = connection.owedReplies;
            if (!owed.empty() && !(ending / 100 == 1 && owed.front()))
                owed.pop_front();
        }
        if (WaitExpired(start, m_nTimeout)) {
            m_strErrorDetail = "Timeout!";
            WSASetLastError(WSAETIMEDOUT);
            return -10;
        }
        if (ending >= 0) {
            code = ending;
            break;
        }
        if (m_bAbort)
            break;
    }
    m_strLastServerResponseText = line;
    if (code == 227)
        DecodePassiveReply(line, &m_strPasvHost, &m_nPasvPort);
    else if (code == 257)
        m_strCurrentWorkingDirectory = DecodeDirectoryReply(line);
    m_nLastServerResponse = code;
    return code;
}

int CDorvikFTPCtrl::SettleOwedReplies()
{
    while (!m_connection.owedReplies.empty()) {
        // Each late answer is taken like any other (Reply fires, it is stored), then replaced by
        // the answer of the command that follows.
        int code = ReadReply(&m_sockControl);
        if (code <= 0)
            return code;
    }
    return 1;
}

bool CDorvikFTPCtrl::SendCommand(const CStr& line)
{
    if (m_pOperation && m_pOperation->Halted())
        return false;
    const int settled = SettleOwedReplies();
    if (settled <= 0) {
        if (m_pOperation) {
            m_pOperation->NoteEarlierReplyMissing();
            // An answer owed since the last command that has not come within this command's
            // whole wait either will not come: every later command would only wait and fail the
            // same way. The connection is out of step for good; the host may connect again.
            if (settled == kReplyTimedOut)
                DropOutOfStepConnection();
        }
        return false;
    }
    if (!SendAll(&m_sockControl, line.c_str(), line.GetLength())) {
        if (m_pOperation && !m_pOperation->Lost()) {
            // The command never reached the server: whatever answer is stored is not its own.
            m_connection.closedByPeer = true;
            m_nLastServerResponse = 0;
            m_strLastServerResponseText.Empty();
            m_pOperation->NoteConnectionBroken();
        }
        return false;
    }
    m_connection.owedReplies.push_back(IsTransferCommand(line));
    m_connection.commandJustSent = true;
    return true;
}

void CDorvikFTPCtrl::DropOutOfStepConnection()
{
    CloseSocketMember(&m_sockControl);
    CloseSocketMember(&m_sockData);
    CloseSocketMember(&m_sockListen);
    m_connection.closedByPeer = true;
    if (m_pOperation)
        m_pOperation->EndInState(DFTP_STATE_NOTCONNECTED);
}

bool CDorvikFTPCtrl::SendAbortSequence()
{
    if (m_pOperation && m_pOperation->Halted())
        return false;
    // Telnet IP, then IAC DM marked urgent (the urgent byte is the IAC before DM), then ABOR: the
    // server stops the transfer and answers it and the ABOR in turn.
    send(m_sockControl, "\xFF\xF4\xFF", 3, MSG_OOB);
    const char abort[] = "\xF2" "ABOR\r\n";
    if (!SendAll(&m_sockControl, abort, static_cast<int>(sizeof(abort) - 1)))
        return false;
    m_connection.owedReplies.push_back(false);
    return true;
}

bool CDorvikFTPCtrl::SendAll(SOCKET* s, const char* data, int length)
{
    const unsigned serial = m_connection.serial;
    if (ConnectionGone(serial))
        return false;
    ControlHold hold(this);
    const SOCKET mine = *s;
    long long start = NowSeconds();
    int sent = 0;
    while (sent < length) {
        int n = send(*s, data + sent, length - sent, 0);
        if (n > 0) {
            sent += n;
            start = NowSeconds();
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return false;
        // The pump returns at once while an Abort is pending: without this wait the loop would
        // spin until the server reads again.
        WaitForRoom(*s, kRoomWait);
        PumpMessages(this);
        if (ConnectionGone(serial) || *s != mine)
            return false;
        if (WaitExpired(start, m_nTimeout)) {
            m_strErrorDetail = "Timeout!";
            WSASetLastError(WSAETIMEDOUT);
            return false;
        }
    }
    return true;
}

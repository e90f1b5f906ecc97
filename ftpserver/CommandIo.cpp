#include "CommandIo.h"

#include <cstdarg>
#include <vector>

StopFlags SessionStopFlags(FtpSession* session)
{
    StopFlags stop;
    stop.flags[0] = &session->stopRequested;
    stop.flags[1] = &session->server->m_bShuttingDown;
    return stop;
}

void PrepareControlSocket(SOCKET sock)
{
    BOOL on = TRUE;
    setsockopt(sock, SOL_SOCKET, SO_OOBINLINE, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    DWORD sendTimeoutMs = 30000;
    setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeoutMs), sizeof sendTimeoutMs);
}

namespace {

// The session's idle limit at this moment: none while a transfer runs (its own time-out applies).
DWORD CurrentIdleLimit(FtpSession* session)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    bool transferring = session->state == FTP_STORING || session->state == FTP_RETRIEVING;
    server->Unlock();
    if (transferring)
        return 0;
    return session->loggedIn ? server->m_limits.idleTimeoutMs : server->m_limits.loginTimeoutMs;
}

}  // namespace

CommandReadResult ReadCommandLine(FtpSession* session, CommandChannel& channel, CStr& line)
{
    StopFlags stop = SessionStopFlags(session);
    DWORD quietSince = GetTickCount();
    std::vector<char> chunk(4096);
    for (;;) {
        FtpLineReader::Result framed = channel.lines.TakeLine(line);
        if (framed == FtpLineReader::GotLine)
            return CMD_LINE;
        if (framed == FtpLineReader::Overflow)
            return CMD_OVERFLOW;

        for (;;) {
            if (stop.Raised())
                return CMD_STOPPED;
            DWORD limit = CurrentIdleLimit(session);
            if (limit == 0)
                quietSince = GetTickCount();
            else if (GetTickCount() - quietSince >= limit)
                return CMD_TIMEOUT;
            WaitResult waited = WaitSocket(session->ctrlSock, false, 250, stop);
            if (waited == SOCK_READY)
                break;
            if (waited == SOCK_STOPPED)
                return CMD_STOPPED;
            if (waited == SOCK_FAILED)
                return CMD_CLOSED;
        }
        int got = recv(session->ctrlSock, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (got <= 0)
            return CMD_CLOSED;
        CStr clean;
        channel.telnet.Feed(chunk.data(), got, clean);
        channel.lines.Append(clean);
    }
}

bool CBuiltinFtpServer::SendReply(FtpSession* session, const CStr& text)
{
    if (!session || session->ctrlSock == INVALID_SOCKET)
        return false;
    EnterCriticalSection(&session->replyLock);
    const char* data = text.c_str();
    int left = text.GetLength();
    bool ok = true;
    while (left > 0) {
        int sent = send(session->ctrlSock, data, left, 0);
        if (sent <= 0) {
            ok = false;
            break;
        }
        data += sent;
        left -= sent;
    }
    LeaveCriticalSection(&session->replyLock);
    return ok;
}

bool CBuiltinFtpServer::SendReplyFormat(FtpSession* session, const char* format, ...)
{
    if (!format || !session || session->ctrlSock == INVALID_SOCKET)
        return false;
    va_list args;
    va_start(args, format);
    CStr text = CStr::FormatV(format, args);
    va_end(args);
    // A reply never grows past the reply buffer, whatever a client's argument holds.
    if (text.GetLength() > m_nReplyBufferSize - 1)
        text = text.Left(m_nReplyBufferSize - 3) + "\r\n";
    return SendReply(session, text);
}

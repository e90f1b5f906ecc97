#include "CommandIo.h"

#include <cstdarg>
#include <cstring>

StopFlags SessionStopFlags(FtpSession* session)
{
    StopFlags stop;
    stop.flags[0] = &session->stopRequested;
    stop.flags[1] = &session->server->m_bShuttingDown;
    return stop;
}

void PrepareListeningSocket(SOCKET listener)
{
    // Set once here rather than on every accepted socket: that saves a session three calls, each costing
    // ~100 us under Wine.
    BOOL on = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_OOBINLINE, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(listener, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    // Every wait on the connection goes through slices that look at the stop flags.
    SetNonBlocking(listener, true);
}

void PrepareControlSocket(FtpSession* session)
{
    SOCKET sock = session->ctrlSock;
    session->commandArrived = WatchSocket(sock, FD_READ | FD_CLOSE);
    // A listener bound to one address already told it; asking costs two calls to the Wine server.
    if (session->localAddress != INADDR_ANY)
        return;
    sockaddr_in local = {};
    int length = sizeof local;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&local), &length) == 0)
        session->localAddress = local.sin_addr.s_addr;
}

namespace {

constexpr DWORD kCommandSliceMs = 250;

// How long the session may still wait for a line: until the login deadline (counted from the accept,
// whatever the client sends meanwhile) when not logged in, else the idle limit counted from the last line;
// no limit while a transfer runs (its own time-out applies). Returns false once the time is up.
bool TimeLeft(FtpSession* session, DWORD quietSince)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    bool transferring = session->state == FTP_STORING || session->state == FTP_RETRIEVING;
    DWORD loginLimit = server->m_limits.loginTimeoutMs;
    DWORD idleLimit = server->m_limits.idleTimeoutMs;
    server->Unlock();
    DWORD now = GetTickCount();
    if (!session->loggedIn)
        return now - session->loginClockStart < loginLimit;
    return transferring || now - quietSince < idleLimit;
}

}  // namespace

CommandReadResult ReadCommandLine(FtpSession* session, CommandChannel& channel, CStr& line)
{
    StopFlags stop = SessionStopFlags(session);
    DWORD quietSince = GetTickCount();
    char chunk[4096];
    for (;;) {
        if (session->controlBroken)
            return CMD_CLOSED;
        FtpLineReader::Result framed = channel.lines.TakeLine(line);
        if (framed == FtpLineReader::GotLine)
            return CMD_LINE;
        if (framed == FtpLineReader::Overflow)
            return CMD_OVERFLOW;

        for (;;) {
            if (stop.Raised())
                return CMD_STOPPED;
            if (!TimeLeft(session, quietSince))
                return CMD_TIMEOUT;
            WaitResult waited = WaitReadable(session->ctrlSock, session->commandArrived, kCommandSliceMs, stop);
            if (waited == SOCK_READY)
                break;
            if (waited == SOCK_STOPPED)
                return CMD_STOPPED;
            if (waited == SOCK_FAILED)
                return CMD_CLOSED;
        }
        int got = recv(session->ctrlSock, chunk, sizeof chunk, 0);
        if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        if (got <= 0)
            return CMD_CLOSED;
        CStr clean;
        channel.telnet.Feed(chunk, got, clean);
        channel.lines.Append(clean);
    }
}

bool CBuiltinFtpServer::SendReply(FtpSession* session, const CStr& text)
{
    if (!session || session->ctrlSock == INVALID_SOCKET)
        return false;
    Lock();
    DWORD limitMs = m_limits.replyTimeoutMs;
    Unlock();
    EnterCriticalSection(&session->replyLock);
    // A client that does not read its replies, or a stop, ends the reply. What follows a reply cut in two
    // could not be read correctly, so the connection takes nothing more and the session ends.
    bool ok = !session->controlBroken &&
              SendAll(session->ctrlSock, text.c_str(), text.GetLength(), SessionStopFlags(session), limitMs);
    if (!ok)
        InterlockedExchange(&session->controlBroken, 1);
    LeaveCriticalSection(&session->replyLock);
    return ok;
}

bool CBuiltinFtpServer::SendLastWords(FtpSession* session, const char* text)
{
    // One try, no wait: the session is ending (perhaps because it was told to stop) and must not linger.
    if (!session || session->ctrlSock == INVALID_SOCKET || session->controlBroken)
        return false;
    int length = static_cast<int>(strlen(text));
    return send(session->ctrlSock, text, length, 0) == length;
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

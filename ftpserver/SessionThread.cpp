// One client's control connection from greeting to end, and the login exchange with the host's window.
#include "CommandIo.h"
#include "ServerThreads.h"
#include "SessionCommands.h"
#include "Transfer.h"

namespace {

CStr DottedAddress(u_long address)
{
    in_addr in;
    in.s_addr = address;
    return inet_ntoa(in);
}

// Notices are posted under the server's lock and only while the window is set: once the host has cleared
// the window under that lock, no notice can arrive any more, so it may discard the queued ones and go.
bool PostNotice(CBuiltinFtpServer* server, UINT message, CClientNotice* notice, LPARAM lParam)
{
    server->Lock();
    HWND window = server->m_hEventWnd;
    bool posted = window && PostMessageA(window, message, reinterpret_cast<WPARAM>(notice), lParam);
    server->Unlock();
    if (!posted)
        delete notice;
    return posted;
}

void PostDisconnectNotice(FtpSession* session)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    FtpAccount* account = session->account;
    CStr user = account ? account->name : CStr();
    server->Unlock();
    if (!account)
        return;
    CClientNotice* notice = new CClientNotice;
    notice->m_strUser = user;
    notice->m_strAddress = DottedAddress(session->peerAddress);
    PostNotice(server, WM_FTPSERVER_CLIENT_DISCONNECTED, notice, 0);
}

// Serves commands until the session ends; why it ended.
CommandReadResult ServeCommands(FtpSession* session)
{
    CommandChannel channel;
    for (;;) {
        CStr line;
        CommandReadResult why = ReadCommandLine(session, channel, line);
        if (why != CMD_LINE)
            return why;
        CommandContext c{session, session->server, CStr(), CStr(), false};
        SplitCommandLine(line, c.verb, c.argument, c.hasArgument);
        if (DispatchCommand(c) == FLOW_END)
            return CMD_LINE;
    }
}

void SendEndReply(FtpSession* session, CommandReadResult why)
{
    if (why == CMD_TIMEOUT)
        session->server->SendLastWords(session, "421 Timeout - closing control connection.\r\n");
    else if (why == CMD_STOPPED)
        session->server->SendLastWords(session, "421 Service closing control connection.\r\n");
}

}  // namespace

LoginOutcome RunLoginExchange(FtpSession* session, const CStr& user)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    DWORD waitLimit = server->m_limits.loginAnswerTimeoutMs;
    server->Unlock();

    CClientNotice* notice = new CClientNotice;
    notice->m_strUser = user;
    notice->m_strAddress = DottedAddress(session->peerAddress);
    notice->m_nSessionThreadId = GetCurrentThreadId();
    notice->m_nCookie = static_cast<LPARAM>(InterlockedIncrement(&server->m_nNextCookie)) | 0x40000000;
    session->loginCookie = notice->m_nCookie;
    if (!PostNotice(server, WM_FTPSERVER_CLIENT_CONNECTED, notice, reinterpret_cast<LPARAM>(session)))
        return LOGIN_NOT_CONFIRMED;
    // From here on the notice belongs to the window.
    LPARAM answer = 0;
    if (!AwaitThreadMessage(WM_FTPSERVER_CONNECT_REPLY, session->loginCookie, waitLimit, SessionStopFlags(session),
                            answer)) {
        session->loginNoticeUnanswered = true;
        return LOGIN_NOT_CONFIRMED;
    }
    return answer == 0 ? LOGIN_ACCEPTED : LOGIN_REFUSED_BY_HOST;
}

bool AwaitThreadMessage(UINT message, LPARAM cookie, DWORD waitLimitMs, const StopFlags& stop, LPARAM& wParam)
{
    DWORD started = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) {
            if (msg.message == message && msg.lParam == cookie) {
                wParam = static_cast<LPARAM>(msg.wParam);
                return true;
            }
            if (msg.message == WM_CLOSE)
                return false;
            // Anything else, including a late answer to an earlier exchange, is dropped.
        }
        if (stop.Raised() || GetTickCount() - started >= waitLimitMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
    }
}

unsigned __stdcall SessionThread(void* argument)
{
    FtpSession* session = static_cast<FtpSession*>(argument);
    CBuiltinFtpServer* server = session->server;
    PrepareControlSocket(session);
    // The queue must exist before any notice is posted. On a worker that served an earlier session it
    // may still hold late answers to that session's exchanges: they go now.
    MSG leftover;
    while (PeekMessageA(&leftover, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) {
    }
    server->Lock();
    session->alive = true;
    session->state = FTP_IDLE;
    server->Unlock();

    // Running out of memory ends this session with a 4xx reply; no exception may leave the thread, since
    // it would end the host process.
    try {
        server->SendReply(session, "220 Pellor Ftp Server.\r\n");
        SendEndReply(session, ServeCommands(session));
    } catch (...) {
        if (!session->transferLaunched)
            ClearTransferBlock(session);
        server->SendLastWords(session, "421 Internal error - out of memory, closing control connection.\r\n");
    }
    try {
        PostDisconnectNotice(session);
    } catch (...) {
    }

    server->Lock();
    session->alive = false;
    server->Unlock();
    // A download or upload that is still running finishes and sends its own reply first; stop flags and
    // its data time-out bound the wait.
    ReapTransferThread(session);
    // The host may still answer, or close, an exchange this session gave up on, by a message to this
    // thread: such a thread serves no further session, whose exchange the message would end.
    unsigned verdict = session->loginNoticeUnanswered ? WorkerPool::kRetireWorker : WorkerPool::kKeepWorker;
    server->ReleaseSession(session);
    InterlockedDecrement(&server->m_nLiveThreads);
    return verdict;
}

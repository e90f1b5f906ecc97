// Commands of the data connection: PORT, PASV, REST, ABOR, LIST/NLST, RETR, STOR/APPE/STOU.
#include "CommandIo.h"
#include "CommandParsers.h"
#include "DataIo.h"
#include "ServerThreads.h"
#include "SessionCommands.h"
#include "Transfer.h"

int SessionState(FtpSession* session)
{
    session->server->Lock();
    int state = session->state;
    session->server->Unlock();
    return state;
}

void ReapTransferThread(FtpSession* session)
{
    if (!session->transferLaunched)
        return;
    session->transferDone.Wait();
    session->transferLaunched = false;
}

void ClosePendingDataConnection(FtpSession* session)
{
    if (session->dataSock != INVALID_SOCKET) {
        CBuiltinFtpServer::CloseSock(session->dataSock);
        session->dataSock = INVALID_SOCKET;
    }
    session->dataMode = FTP_DATA_NONE;
}

bool CBuiltinFtpServer::ConnectDataChannel(FtpSession* session)
{
    StopFlags stop = SessionStopFlags(session);
    Lock();
    DWORD timeoutMs = m_limits.dataTimeoutMs;
    unsigned short first = m_nPassivePortFirst;
    unsigned long count = m_nPassivePortCount;
    Unlock();
    if (session->dataMode == FTP_DATA_PASSIVE) {
        SOCKET accepted = AcceptFromPeer(session->dataSock, session->peerAddress, timeoutMs, stop);
        CloseSock(session->dataSock);
        session->dataSock = accepted;
        return accepted != INVALID_SOCKET;
    }
    if (session->dataMode == FTP_DATA_ACTIVE) {
        if (session->dataSock != INVALID_SOCKET)
            CloseSock(session->dataSock);
        session->dataSock = ConnectToPeer(session->localAddress, first, count, session->peerAddress,
                                          session->dataPort, timeoutMs, stop);
        return session->dataSock != INVALID_SOCKET;
    }
    return false;
}

SessionFlow OnPort(CommandContext& c)
{
    FtpSession* s = c.session;
    unsigned long host = 0;
    unsigned short port = 0;
    if (SessionState(s) != FTP_IDLE || !c.hasArgument) {
        c.Reply("501 Syntax error in arguments.");
        return FLOW_CONTINUE;
    }
    PortParseResult parsed = ParsePortArgument(c.argument, host, port);
    if (parsed == PORT_SYNTAX) {
        c.Reply("501 Syntax error in arguments.");
        return FLOW_CONTINUE;
    }
    if (parsed == PORT_PRIVILEGED) {
        c.Reply("501 Port below 1024 not allowed.");
        return FLOW_CONTINUE;
    }
    ClosePendingDataConnection(s);
    // Only the host part is compared; the connection always goes to the client's own address.
    if (htonl(host) == s->peerAddress || s->peerAddress == htonl(INADDR_LOOPBACK)) {
        s->dataMode = FTP_DATA_ACTIVE;
        s->dataPort = port;
        c.Reply("200 PORT command successful.");
    } else {
        c.Reply("501 PORT address does not match originator.");
    }
    return FLOW_CONTINUE;
}

SessionFlow OnPasv(CommandContext& c)
{
    FtpSession* s = c.session;
    if (SessionState(s) != FTP_IDLE) {
        c.Reply("425 You're already connected.");
        return FLOW_CONTINUE;
    }
    ClosePendingDataConnection(s);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        c.Reply("425 Can't open data connection.");
        return FLOW_CONTINUE;
    }
    PrepareDataListener(listener);
    c.server->Lock();
    unsigned short first = c.server->m_nPassivePortFirst;
    unsigned long count = c.server->m_nPassivePortCount;
    c.server->Unlock();
    // Every port of the window once, from a start nobody can predict.
    unsigned long start = StrongRandom() % count;
    bool bound = false;
    unsigned short port = 0;
    for (unsigned long i = 0; i < count && !bound; ++i) {
        port = static_cast<unsigned short>(first + (start + i) % count);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = s->localAddress;
        local.sin_port = htons(port);
        bound = bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 && listen(listener, 1) == 0;
    }
    if (!bound) {
        CBuiltinFtpServer::CloseSock(listener);
        c.Reply("451 Internal error - No more data port available.");
        return FLOW_END;
    }
    s->dataSock = listener;
    s->dataPort = port;
    s->dataMode = FTP_DATA_PASSIVE;
    u_long a = ntohl(s->localAddress);
    c.server->SendReplyFormat(s, "227 Entering Passive Mode (%lu,%lu,%lu,%lu,%u,%u).\r\n", (a >> 24) & 255,
                              (a >> 16) & 255, (a >> 8) & 255, a & 255, port / 256u, port % 256u);
    return FLOW_CONTINUE;
}

SessionFlow OnRest(CommandContext& c)
{
    long long offset = 0;
    if (c.hasArgument && SessionState(c.session) == FTP_IDLE && ParseRestOffset(c.argument, offset)) {
        c.session->restOffset = offset;
        c.Reply("350 REST command successful.");
    } else {
        c.Reply("501 Syntax error in arguments.");
    }
    return FLOW_CONTINUE;
}

SessionFlow OnAbor(CommandContext& c)
{
    FtpSession* s = c.session;
    c.server->Lock();
    bool running = s->state == FTP_STORING || s->state == FTP_RETRIEVING;
    // Once the transfer thread has taken its final reply it is no longer aborted: its own reply stands.
    bool silenced = running && !s->finalReplyTaken;
    if (silenced)
        InterlockedExchange(&s->abortTransfer, 1);
    c.server->Unlock();
    // Also when the session is idle already: a transfer thread may still be sending its own final reply,
    // which goes out before this one.
    ReapTransferThread(s);
    if (silenced)
        c.Reply("426 Previous command has been finished abnormally.");
    if (running) {
        InterlockedExchange(&s->abortTransfer, 0);
        s->dataMode = FTP_DATA_NONE;
    }
    c.Reply("226 ABOR command successful.");
    return FLOW_CONTINUE;
}

SessionFlow OnList(CommandContext& c)
{
    c.server->SendDirectoryListing(c.session, c.hasArgument ? &c.argument : nullptr, c.verb);
    return FLOW_CONTINUE;
}

namespace {

// Common opening of RETR and the uploads; false when the reply has been sent.
bool OpenDataForTransfer(CommandContext& c)
{
    if (SessionState(c.session) != FTP_IDLE) {
        c.Reply("425 You're already connected.");
        return false;
    }
    if (c.session->dataMode == FTP_DATA_NONE || !c.server->ConnectDataChannel(c.session)) {
        ClosePendingDataConnection(c.session);
        c.Reply("425 Can't open data connection.");
        return false;
    }
    return true;
}

void AbandonTransfer(CommandContext& c, const char* reply)
{
    ClearTransferBlock(c.session);
    ClosePendingDataConnection(c.session);
    c.Reply(reply);
}

void LaunchTransfer(CommandContext& c, int state, FtpThreadProc proc, const char* preliminary)
{
    FtpSession* s = c.session;
    // The session's one JobDone is armed again below: a transfer not yet joined must be joined first,
    // or its late signal would end the wait for the new one.
    ReapTransferThread(s);
    c.server->Lock();
    s->state = state;
    s->finalReplyTaken = false;
    c.server->Unlock();
    c.server->SendReplyFormat(s, "%s\r\n", preliminary);
    if (c.server->m_transferWorkers.Run(proc, s, &s->transferDone)) {
        s->transferLaunched = true;
        return;
    }
    c.server->Lock();
    s->state = FTP_IDLE;
    c.server->Unlock();
    AbandonTransfer(c, "451 Internal error - transfer could not start.");
}

}  // namespace

SessionFlow OnRetr(CommandContext& c)
{
    if (!c.hasArgument) {
        c.Reply("501 Syntax error in arguments.");
        return FLOW_CONTINUE;
    }
    if (!OpenDataForTransfer(c))
        return FLOW_CONTINUE;
    ClientPath path;
    if (!ResolveArgument(c, path) || !OpenForRetrieve(c.session, path)) {
        AbandonTransfer(c, "550 File not found.");
        return FLOW_CONTINUE;
    }
    LaunchTransfer(c, FTP_RETRIEVING, RetrieveThread, "150 Opening data connection.");
    return FLOW_CONTINUE;
}

SessionFlow OnStore(CommandContext& c)
{
    StoreKind kind = c.verb == "APPE" ? STORE_APPEND : c.verb == "STOU" ? STORE_UNIQUE : STORE_REPLACE;
    if (kind != STORE_UNIQUE && !c.hasArgument) {
        c.Reply("501 Syntax error in arguments.");
        return FLOW_CONTINUE;
    }
    if (!OpenDataForTransfer(c))
        return FLOW_CONTINUE;
    ClientPath path;
    StoreOpenResult opened = STORE_NAME_REFUSED;
    if (kind == STORE_UNIQUE)
        opened = OpenUniqueForStore(c.session, path);
    else if (ResolveArgument(c, path))
        opened = OpenForStore(c.session, path, kind);
    if (opened == STORE_NAME_REFUSED) {
        AbandonTransfer(c, "553 File name not allowed.");
        return FLOW_CONTINUE;
    }
    if (opened == STORE_CANNOT_OPEN) {
        AbandonTransfer(c, "550 Can 't receive file.");
        return FLOW_CONTINUE;
    }
    CStr preliminary = kind == STORE_UNIQUE ? CStr::Format("150 FILE: %s", path.virtualPath.c_str())
                                            : CStr("150 Opening data connection.");
    LaunchTransfer(c, FTP_STORING, StoreThread, preliminary);
    return FLOW_CONTINUE;
}

// The acceptor: owns the listening socket from LaunchAcceptor until it is told to stop.
#include "CommandIo.h"
#include "DataIo.h"
#include "ServerThreads.h"

#include <process.h>

namespace {

// Under the server's lock.
bool OverConnectionCaps(CBuiltinFtpServer* server, u_long peer)
{
    int total = 0, fromPeer = 0;
    for (FtpSession* session = server->m_pFirstSession; session; session = session->next) {
        ++total;
        if (session->peerAddress == peer)
            ++fromPeer;
    }
    return total >= server->m_limits.maxSessions || fromPeer >= server->m_limits.maxSessionsPerAddress;
}

void TurnAway(SOCKET sock)
{
    static const char text[] = "421 Too many connections.\r\n";
    send(sock, text, sizeof text - 1, 0);
    CBuiltinFtpServer::CloseSock(sock);
}

void StartSession(CBuiltinFtpServer* server, SOCKET sock, const sockaddr_in& peer)
{
    FtpSession* session = server->AddSession(sock, peer);
    if (!session)
        return;
    InterlockedIncrement(&server->m_nLiveThreads);
    // The handle and id are written under the lock the new thread takes before it reads them.
    server->Lock();
    session->hSessionThread = StartServerThread(SessionThread, session, &session->nSessionThreadId);
    bool started = session->hSessionThread != nullptr;
    server->Unlock();
    if (!started) {
        server->ReleaseSession(session);
        InterlockedDecrement(&server->m_nLiveThreads);
    }
}

}  // namespace

unsigned __stdcall AcceptorThread(void* argument)
{
    AcceptorStart* start = static_cast<AcceptorStart*>(argument);
    CBuiltinFtpServer* server = start->server;
    SOCKET listener = start->listener;
    delete start;

    StopFlags stop;
    stop.flags[0] = &server->m_nStopAcceptor;
    stop.flags[1] = &server->m_bShuttingDown;
    for (;;) {
        WaitResult waited = WaitSocket(listener, false, 0, stop);
        if (waited == SOCK_STOPPED)
            break;
        if (waited != SOCK_READY) {
            Sleep(50);  // a transient failure of the wait: keep serving
            continue;
        }
        sockaddr_in peer = {};
        int peerLength = sizeof peer;
        SOCKET sock = accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (sock == INVALID_SOCKET) {
            Sleep(10);  // out of descriptors, a reset before accept, ...: not a reason to stop
            continue;
        }
        server->Lock();
        bool refuse = OverConnectionCaps(server, peer.sin_addr.s_addr);
        server->Unlock();
        if (refuse) {
            TurnAway(sock);
            continue;
        }
        // Out of memory for the record: this client is turned away, the server goes on.
        try {
            StartSession(server, sock, peer);
        } catch (...) {
            TurnAway(sock);
        }
    }
    CBuiltinFtpServer::CloseSock(listener);
    _endthreadex(0);
    return 0;
}

// The acceptor: owns the listening socket from LaunchAcceptor until it is told to stop, and starts a
// session for each connection it takes.
#include "CommandIo.h"
#include "DataIo.h"
#include "ServerThreads.h"

#include <process.h>

namespace {

void TurnAway(SOCKET sock)
{
    static const char text[] = "421 Too many connections.\r\n";
    send(sock, text, sizeof text - 1, 0);
    CBuiltinFtpServer::CloseSock(sock);
}

// False when the client is turned away: over a session cap, or no record or worker could be had.
bool StartSession(CBuiltinFtpServer* server, SOCKET sock, const sockaddr_in& peer, u_long local)
{
    FtpSession* session = server->AddSession(sock, peer, local);
    if (!session)
        return false;
    InterlockedIncrement(&server->m_nLiveThreads);
    if (server->m_sessionWorkers.Run(SessionThread, session))
        return true;
    session->ctrlSock = INVALID_SOCKET;  // the caller turns the client away and closes it
    server->ReleaseSession(session);
    InterlockedDecrement(&server->m_nLiveThreads);
    return false;
}

}  // namespace

unsigned __stdcall AcceptorThread(void* argument)
{
    AcceptorStart* start = static_cast<AcceptorStart*>(argument);
    CBuiltinFtpServer* server = start->server;
    SOCKET listener = start->listener;
    u_long address = start->address;
    delete start;

    StopFlags stop;
    stop.flags[0] = &server->m_nStopAcceptor;
    stop.flags[1] = &server->m_bShuttingDown;
    // Accepted connections inherit this registration until their session makes its own
    // (PrepareControlSocket); its mask holds nothing a connected socket can raise.
    HANDLE arrivals = WatchSocket(listener, FD_ACCEPT);
    // While connections queue up, the next is taken at once, without a wait in between that would cost
    // each of them another call to the Wine server.
    bool morePending = false;
    for (;;) {
        if (morePending) {
            if (stop.Raised())
                break;
        } else {
            WaitResult waited = WaitReadable(listener, arrivals, 100, stop);
            if (waited == SOCK_STOPPED)
                break;
            if (waited == SOCK_TIMEOUT)
                continue;
            if (waited != SOCK_READY) {
                Sleep(50);  // a transient failure of the wait: keep serving
                continue;
            }
        }
        sockaddr_in peer = {};
        int peerLength = sizeof peer;
        SOCKET sock = accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        morePending = sock != INVALID_SOCKET;
        if (sock == INVALID_SOCKET) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                Sleep(10);  // out of descriptors, a reset before accept, ...: not a reason to stop
            continue;
        }
        // Out of memory for the record: this client is turned away, the server goes on.
        bool started = false;
        try {
            started = StartSession(server, sock, peer, address);
        } catch (...) {
        }
        if (!started)
            TurnAway(sock);
    }
    CBuiltinFtpServer::CloseSock(listener);
    if (arrivals)
        CloseHandle(arrivals);
    _endthreadex(0);
    return 0;
}

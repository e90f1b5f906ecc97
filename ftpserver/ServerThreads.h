// The thread procedures of the server and how they are started.
#ifndef FTPSERVER_SERVERTHREADS_H
#define FTPSERVER_SERVERTHREADS_H

#include "BuiltinFtpServer.h"

// Every server thread runs on a small stack: hundreds of sessions must fit a 32-bit address space.
constexpr unsigned FTP_THREAD_STACK = 256 * 1024;

typedef unsigned(__stdcall* FtpThreadProc)(void*);
HANDLE StartServerThread(FtpThreadProc proc, void* argument, DWORD* threadId);

struct AcceptorStart {
    CBuiltinFtpServer* server;
    SOCKET listener;
    u_long address;  // the listener's, network order; INADDR_ANY when bound to every address
};
unsigned __stdcall AcceptorThread(void* start);     // takes an AcceptorStart, frees it
// A session runs on a worker of the server's m_sessionWorkers, the two transfers on one of its
// m_transferWorkers; none has a thread of its own. Each returns a WorkerPool verdict.
unsigned __stdcall SessionThread(void* session);
unsigned __stdcall StoreThread(void* session);
unsigned __stdcall RetrieveThread(void* session);

#endif

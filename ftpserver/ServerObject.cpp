// The server object: its lifetime, the listening side, accounts and session records.
#include "BuiltinFtpServer.h"
#include "CommandIo.h"
#include "FtpPaths.h"
#include "ServerThreads.h"

#include <process.h>
#include <sys/stat.h>

namespace {

bool IsExistingDirectory(const CStr& path)
{
    struct _stati64 status;
    return _stati64(CBuiltinFtpServer::ToNativePath(path), &status) == 0 && (status.st_mode & 0xF000) == 0x4000;
}

}  // namespace

HANDLE StartServerThread(FtpThreadProc proc, void* argument, DWORD* threadId)
{
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(nullptr, FTP_THREAD_STACK, proc, argument, STACK_SIZE_PARAM_IS_A_RESERVATION, &id);
    if (threadId)
        *threadId = id;
    return reinterpret_cast<HANDLE>(handle);
}

CBuiltinFtpServer::CBuiltinFtpServer()
    : m_hEventWnd(nullptr),
      m_pFirstSession(nullptr),
      m_pLastSession(nullptr),
      m_sockListen(INVALID_SOCKET),
      m_listenAddress(INADDR_ANY),
      m_nPassivePortCount(900),
      m_nPassivePortFirst(100),
      m_pszMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
      m_pAnonymousAccount(nullptr),
      m_pFirstAccount(nullptr),
      m_pLastAccount(nullptr),
      m_nReplyBufferSize(4096),
      m_bAnonymousEnabled(false),
      m_bListening(false),
      m_bAcceptorRunning(false),
      m_hAcceptorThread(nullptr),
      m_nStopAcceptor(0),
      m_bShuttingDown(0),
      m_nLiveThreads(0),
      m_nNextCookie(0)
{
    InitializeCriticalSection(&m_csShared);
}

CBuiltinFtpServer::~CBuiltinFtpServer()
{
    InterlockedExchange(&m_bShuttingDown, 1);
    CloseControlPort();
    DropAllSessions();
    RemoveAllAccounts();
    // Sessions that never logged in and transfer threads still hold the records: every wait of theirs
    // looks at m_bShuttingDown within a slice, so this ends.
    while (InterlockedCompareExchange(&m_nLiveThreads, 0, 0) > 0)
        Sleep(10);
    DeleteCriticalSection(&m_csShared);
}

void CBuiltinFtpServer::SetEventWindow(HWND window)
{
    Lock();
    m_hEventWnd = window;
    Unlock();
}

void CBuiltinFtpServer::SetLimits(const FtpServerLimits& limits)
{
    Lock();
    m_limits = limits;
    Unlock();
}

bool CBuiltinFtpServer::SetAnonymousAccess(bool on, const char* root)
{
    if (on) {
        if (m_bAnonymousEnabled)
            return true;
        FtpAccount* account = CreateAccountRecord("anonymous", nullptr, root);
        if (!account)
            return false;
        SetAccountRights(account, FTP_RIGHT_READFILE | FTP_RIGHT_LIST);
        Lock();
        m_pAnonymousAccount = account;
        m_bAnonymousEnabled = true;
        Unlock();
        return true;
    }
    if (m_bAnonymousEnabled) {
        Lock();
        m_bAnonymousEnabled = false;
        FtpAccount* account = m_pAnonymousAccount;
        Unlock();
        if (!RemoveAccount(account))
            return false;
        Lock();
        m_pAnonymousAccount = nullptr;
        Unlock();
    }
    return true;
}

bool CBuiltinFtpServer::SetPassivePortWindow(unsigned short first, unsigned long count)
{
    // Compared without forming first + count, which a count near 2^32 would wrap.
    if (count == 0 || first == 0 || count > 65535u - first)
        return false;
    Lock();
    m_nPassivePortFirst = first;
    m_nPassivePortCount = count;
    Unlock();
    return true;
}

bool CBuiltinFtpServer::OpenControlPort(u_long address, unsigned short port)
{
    if (address == 0xFFFFFFFFu || port == 0)
        return false;
    if (m_bListening)
        CloseControlPort();
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    bool ok = sock != INVALID_SOCKET;
    if (ok) {
        PrepareListeningSocket(sock);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = address;
        local.sin_port = htons(port);
        ok = bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 && listen(sock, SOMAXCONN) == 0;
        if (!ok)
            CloseSock(sock);
    }
    Lock();
    m_sockListen = ok ? sock : INVALID_SOCKET;
    m_listenAddress = address;
    m_bListening = ok;
    Unlock();
    return ok;
}

bool CBuiltinFtpServer::CloseControlPort()
{
    Lock();
    HANDLE acceptor = m_bAcceptorRunning ? m_hAcceptorThread : nullptr;
    SOCKET unowned = acceptor ? INVALID_SOCKET : m_sockListen;
    Unlock();
    if (acceptor) {
        // The acceptor owns the listener: it closes it on its way out, within one wait slice.
        InterlockedExchange(&m_nStopAcceptor, 1);
        WaitForSingleObject(acceptor, INFINITE);
        CloseHandle(acceptor);
        InterlockedExchange(&m_nStopAcceptor, 0);
    } else if (unowned != INVALID_SOCKET) {
        CloseSock(unowned);
    }
    Lock();
    m_sockListen = INVALID_SOCKET;
    m_hAcceptorThread = nullptr;
    m_bAcceptorRunning = false;
    m_bListening = false;
    Unlock();
    return true;
}

bool CBuiltinFtpServer::LaunchAcceptor()
{
    Lock();
    bool startNow = !m_bAcceptorRunning && m_bListening;
    SOCKET listener = m_sockListen;
    u_long address = m_listenAddress;
    Unlock();
    if (startNow) {
        AcceptorStart* start = new AcceptorStart{this, listener, address};
        HANDLE thread = StartServerThread(AcceptorThread, start, nullptr);
        if (!thread)
            delete start;
        Lock();
        m_hAcceptorThread = thread;
        m_bAcceptorRunning = thread != nullptr;
        Unlock();
    }
    return m_bAcceptorRunning;
}

bool CBuiltinFtpServer::PortOpen()
{
    Lock();
    bool open = m_bListening;
    Unlock();
    return open;
}

bool CBuiltinFtpServer::AnonymousEnabled()
{
    Lock();
    bool on = m_bAnonymousEnabled;
    Unlock();
    return on;
}

unsigned short CBuiltinFtpServer::ListeningPort()
{
    Lock();
    SOCKET sock = m_bListening ? m_sockListen : INVALID_SOCKET;
    Unlock();
    sockaddr_in local = {};
    int length = sizeof local;
    if (sock == INVALID_SOCKET || getsockname(sock, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

FtpAccount* CBuiltinFtpServer::AddAccount(const char* name, const char* password, const char* root)
{
    if (!name || CStr(name).EqualsNoCase("anonymous"))
        return nullptr;
    return CreateAccountRecord(name, password, root);
}

FtpAccount* CBuiltinFtpServer::CreateAccountRecord(const char* name, const char* password, const char* root)
{
    if (!root || !*root || !name || !*name)
        return nullptr;
    if ((!password || !*password) && !CStr(name).EqualsNoCase("anonymous"))
        return nullptr;
    CStr canonical = root;
    CanonicalizePath(canonical);
    if (!IsExistingDirectory(canonical)) {
        if (!canonical.EndsWith("/"))
            return nullptr;
        canonical.Truncate(canonical.GetLength() - 1);
        if (!IsExistingDirectory(canonical))
            return nullptr;
    }
    FtpAccount* account = new FtpAccount;
    account->name = name;
    account->hasPassword = password != nullptr;
    account->password = password ? password : "";
    account->root = canonical;

    Lock();
    bool taken = FindAccount(name) != nullptr;
    if (!taken) {
        account->prev = m_pLastAccount;
        if (m_pLastAccount)
            m_pLastAccount->next = account;
        else
            m_pFirstAccount = account;
        m_pLastAccount = account;
        account->enabled = true;
    }
    Unlock();
    if (taken) {
        delete account;
        return nullptr;
    }
    return account;
}

bool CBuiltinFtpServer::SetAccountLoginLimit(FtpAccount* account, int limit)
{
    if (!account || limit < -1)
        return false;
    Lock();
    account->maxLogins = limit;
    Unlock();
    return true;
}

bool CBuiltinFtpServer::SetAccountRights(FtpAccount* account, unsigned char rights)
{
    if (!account || rights >= 64)
        return false;
    Lock();
    account->rights = rights;
    Unlock();
    return true;
}

FtpAccount* CBuiltinFtpServer::FindAccount(const char* name)
{
    if (!name)
        return nullptr;
    FtpAccount* found = nullptr;
    Lock();
    for (FtpAccount* account = m_pFirstAccount; account && !found; account = account->next) {
        if (account->name == name)
            found = account;
    }
    Unlock();
    return found;
}

bool CBuiltinFtpServer::RemoveAccount(FtpAccount* account)
{
    if (!account)
        return false;
    Lock();
    account->enabled = false;
    for (FtpSession* session = m_pFirstSession; session; session = session->next) {
        if (session->account != account)
            continue;
        if (session->loggedIn)
            InterlockedExchange(&session->stopRequested, 1);  // its thread ends and releases the login
        else
            session->account = nullptr;
    }
    Unlock();
    for (;;) {
        Lock();
        bool inUse = account->loginCount > 0;
        if (!inUse) {
            // A session may have left its login since the walk above: none keeps the record now.
            for (FtpSession* session = m_pFirstSession; session; session = session->next) {
                if (session->account == account)
                    session->account = nullptr;
            }
            if (account->prev)
                account->prev->next = account->next;
            else
                m_pFirstAccount = account->next;
            if (account->next)
                account->next->prev = account->prev;
            else
                m_pLastAccount = account->prev;
            if (m_pAnonymousAccount == account) {
                m_pAnonymousAccount = nullptr;
                m_bAnonymousEnabled = false;
            }
        }
        Unlock();
        if (!inUse)
            break;
        Sleep(10);
    }
    delete account;
    return true;
}

void CBuiltinFtpServer::RemoveAllAccounts()
{
    for (;;) {
        Lock();
        FtpAccount* first = m_pFirstAccount;
        Unlock();
        if (!first)
            return;
        RemoveAccount(first);
    }
}

// Under the server's lock.
bool CBuiltinFtpServer::OverSessionCaps(u_long peer) const
{
    int total = 0, fromPeer = 0;
    for (FtpSession* session = m_pFirstSession; session; session = session->next) {
        ++total;
        if (session->peerAddress == peer)
            ++fromPeer;
    }
    return total >= m_limits.maxSessions || fromPeer >= m_limits.maxSessionsPerAddress;
}

FtpSession* CBuiltinFtpServer::AddSession(SOCKET sock, const sockaddr_in& peer, u_long local)
{
    if (sock == INVALID_SOCKET)
        return nullptr;
    FtpSession* session = new FtpSession;
    InitializeCriticalSection(&session->replyLock);
    session->ctrlSock = sock;
    session->localAddress = local;  // INADDR_ANY: read by the session thread (PrepareControlSocket)
    session->peerAddress = peer.sin_addr.s_addr;
    session->server = this;
    session->loginClockStart = GetTickCount();
    // The caps are counted and the record linked under one lock.
    Lock();
    if (OverSessionCaps(session->peerAddress)) {
        Unlock();
        DeleteCriticalSection(&session->replyLock);
        delete session;
        return nullptr;
    }
    session->prev = m_pLastSession;
    if (m_pLastSession)
        m_pLastSession->next = session;
    else
        m_pFirstSession = session;
    m_pLastSession = session;
    Unlock();
    return session;
}

bool CBuiltinFtpServer::ReleaseSession(FtpSession* session)
{
    if (!session)
        return false;
    Lock();
    if (session->prev)
        session->prev->next = session->next;
    else
        m_pFirstSession = session->next;
    if (session->next)
        session->next->prev = session->prev;
    else
        m_pLastSession = session->prev;
    if (session->loggedIn && session->account)
        session->account->loginCount--;
    Unlock();
    if (session->transferFile != INVALID_HANDLE_VALUE)
        CloseHandle(session->transferFile);
    if (session->dataSock != INVALID_SOCKET)
        CloseSock(session->dataSock);
    if (session->ctrlSock != INVALID_SOCKET)
        CloseSock(session->ctrlSock);
    if (session->commandArrived)
        CloseHandle(session->commandArrived);
    DeleteCriticalSection(&session->replyLock);
    delete session;
    return true;
}

void CBuiltinFtpServer::DropAllSessions()
{
    Lock();
    for (FtpSession* session = m_pFirstSession; session; session = session->next)
        InterlockedExchange(&session->stopRequested, 1);
    Unlock();
}

int CBuiltinFtpServer::CloseSock(SOCKET sock)
{
    return closesocket(sock);
}

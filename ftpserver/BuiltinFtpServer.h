// CBuiltinFtpServer: the FTP server that lives inside every control object.
//
// Threads: the host's thread calls the public operations; one acceptor thread per listening port; each
// client's session, and each running upload or download, on a worker of a pool kept between jobs
// (WorkerPool.h). Every blocking wait of those threads is cut into short slices that look at stop flags,
// so that stopping and destroying the server can wake and join them all: under Wine neither shutdown()
// nor closing a socket from another thread reliably wakes a blocked call, and a socket is closed only by
// the thread that owns it.
//
// Use from the control (all on the host's thread):
//   construct with the control; ServerAddUser -> SetAnonymousAccess(true, root) for "anonymous", else
//   AddAccount(name, password, root) + SetAccountRights(account, rights); StartServer -> CloseControlPort()
//   when PortOpen(), SetEventWindow(hidden window), SetPassivePortWindow(10000, 1000),
//   OpenControlPort(INADDR_ANY, port), LaunchAcceptor(); StopServer -> CloseControlPort() (running sessions
//   go on); the destructor stops and joins everything. The window answers WM_FTPSERVER_CLIENT_CONNECTED with
//   AnswerClientConnected(notice, cancel) and deletes every notice it receives (ServerMessages.h).
//   Names, passwords and roots from BSTRs go through NarrowExactAnsi (NarrowText.h): when it fails,
//   ServerAddUser fails too.
#ifndef FTPSERVER_BUILTINFTPSERVER_H
#define FTPSERVER_BUILTINFTPSERVER_H

#include <winsock2.h>
#include <windows.h>

#include "CStr.h"
#include "ServerMessages.h"
#include "WorkerPool.h"

// The account rights, bit for bit the control's DFTP_SERVER_PERMISSIONS (DFPERM_*), under names of
// our own so that both headers can meet in one unit.
enum FtpRights : unsigned char {
    FTP_RIGHT_READFILE = 1,
    FTP_RIGHT_WRITEFILE = 2,
    FTP_RIGHT_DELETEFILE = 4,
    FTP_RIGHT_LIST = 8,
    FTP_RIGHT_CREATEDIR = 16,
    FTP_RIGHT_DELETEDIR = 32,
    FTP_RIGHT_ALL = 63,
};

class CBuiltinFtpServer;

struct FtpAccount {
    int maxLogins = 0;             // 0 = no limit; else a PASS login needs loginCount < maxLogins
    unsigned char rights = 0;      // FTP_RIGHT_* bits, never 64 or more
    CStr name;                     // compared exactly
    CStr password;
    bool hasPassword = false;      // the anonymous account has none
    bool enabled = false;          // cleared when RemoveAccount starts
    CStr root;                     // canonical local folder, '/' separators
    int loginCount = 0;            // sessions logged in with this account (under the server's lock)
    FtpAccount* prev = nullptr;
    FtpAccount* next = nullptr;
};

enum FtpDataMode { FTP_DATA_NONE = 0, FTP_DATA_PASSIVE = 1, FTP_DATA_ACTIVE = 2 };
enum FtpSessionState { FTP_IDLE = 0, FTP_LISTING = 1, FTP_STORING = 2, FTP_RETRIEVING = 3 };

struct FtpSession {
    SOCKET dataSock = INVALID_SOCKET;   // PASV listener, then the data connection
    u_long localAddress = 0;            // network order, of the control connection
    u_long peerAddress = 0;             // network order; active connections go only here
    unsigned short dataPort = 0;

    // The transfer block: cleared as one unit when a transfer ends or cannot start.
    long long restOffset = 0;
    CStr localPath;
    bool transferLaunched = false;   // a transfer job was started and has not been joined yet
    JobDone transferDone;            // signalled once that job has returned
    HANDLE transferFile = INVALID_HANDLE_VALUE;  // opened (and positioned) by the session thread
    bool transferCreatedFile = false;           // an upload made or emptied it: remove it on failure
    bool transferTruncates = false;             // STOR from 0: the transfer thread empties the file first

    FtpAccount* account = nullptr;      // under the server's lock: RemoveAccount clears it
    SOCKET ctrlSock = INVALID_SOCKET;   // owned and closed by the session thread only
    HANDLE commandArrived = nullptr;    // auto-reset; Winsock sets it when bytes or the end arrive on ctrlSock
    bool loggedIn = false;
    bool anonymous = false;
    int dataMode = FTP_DATA_NONE;
    int state = FTP_IDLE;               // under the server's lock while a transfer thread exists
    CStr renameFrom;
    bool hasRenameFrom = false;
    CStr cwd = "/";                     // canonical path as the client sees it, below the root

    bool loginNoticeUnanswered = false; // a connect notice went out and no answer came: see SessionThread
    FtpSession* prev = nullptr;
    FtpSession* next = nullptr;
    bool alive = false;
    CBuiltinFtpServer* server = nullptr;

    volatile LONG stopRequested = 0;    // DropAllSessions, RemoveAccount, shutdown
    volatile LONG abortTransfer = 0;    // ABOR: the transfer thread stops and stays silent
    volatile LONG controlBroken = 0;    // a reply could not be sent whole: nothing more goes out, the session ends
    DWORD loginClockStart = 0;          // accept, or the end of the last login: the login deadline runs from here
    bool finalReplyTaken = false;       // the transfer thread has decided on its final reply
    int failedLogins = 0;
    LPARAM loginCookie = 0;
    CRITICAL_SECTION replyLock;         // one reply at a time from session and transfer threads
};

// Knobs that bound what one client or many can hold. The defaults suit an interactive host; tests and
// benchmarks set their own.
struct FtpServerLimits {
    int maxSessions = 256;
    int maxSessionsPerAddress = 32;
    DWORD loginTimeoutMs = 60000;        // connection open without a completed login
    DWORD idleTimeoutMs = 600000;        // logged in, no command and no transfer
    DWORD loginAnswerTimeoutMs = 30000;  // the host's answer to a connect notice
    DWORD dataTimeoutMs = 60000;         // waiting for a data connection, or for data to move
    DWORD replyTimeoutMs = 30000;        // a reply (or a STAT block) the client does not take in
    int maxFailedLogins = 5;
};

class CBuiltinFtpServer {
public:
    CBuiltinFtpServer();
    ~CBuiltinFtpServer();
    CBuiltinFtpServer(const CBuiltinFtpServer&) = delete;
    CBuiltinFtpServer& operator=(const CBuiltinFtpServer&) = delete;

    // ---- Host-thread operations (the control's StartServer / StopServer / ServerAddUser) ----
    void SetEventWindow(HWND window);   // where logins and logouts are posted; set before OpenControlPort
    bool SetAnonymousAccess(bool on, const char* root);
    bool SetPassivePortWindow(unsigned short first, unsigned long count);
    bool OpenControlPort(u_long address, unsigned short port);   // address in network order
    bool CloseControlPort();
    bool LaunchAcceptor();
    FtpAccount* AddAccount(const char* name, const char* password, const char* root);
    FtpAccount* CreateAccountRecord(const char* name, const char* password, const char* root);
    bool SetAccountLoginLimit(FtpAccount* account, int limit);
    bool SetAccountRights(FtpAccount* account, unsigned char rights);
    bool RemoveAccount(FtpAccount* account);
    FtpAccount* FindAccount(const char* name);
    void RemoveAllAccounts();
    void DropAllSessions();
    void SetLimits(const FtpServerLimits& limits);
    bool PortOpen();
    bool AnonymousEnabled();
    unsigned short ListeningPort();   // the bound port (useful when 0 was asked for by a test)

    // ---- Records and their lists ----
    // local: the listener's address, or INADDR_ANY when the session thread must ask the connection.
    // nullptr when the session caps are reached.
    FtpSession* AddSession(SOCKET sock, const sockaddr_in& peer, u_long local);
    bool OverSessionCaps(u_long peer) const;
    bool ReleaseSession(FtpSession* session);
    static int CloseSock(SOCKET sock);

    // ---- Paths (no state; any thread) ----
    static bool CanonicalizePath(CStr& text);
    static bool ResolveLocalPath(const CStr& root, const CStr& cwd, const char* argument, CStr& result);
    static CStr ToNativePath(const CStr& path);

    // ---- Replies on a session's control connection ----
    bool SendReply(FtpSession* session, const CStr& text);
    bool SendReplyFormat(FtpSession* session, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // A reply sent once without waiting, for a session that is ending (time-out, stop).
    bool SendLastWords(FtpSession* session, const char* text);

    // ---- Listings and data connections ----
    bool SendDirectoryListing(FtpSession* session, const CStr* argument, const char* verb);
    bool ConnectDataChannel(FtpSession* session);

    // ---- Data shared by the server's modules ----
    HWND m_hEventWnd;
    FtpSession* m_pFirstSession;
    FtpSession* m_pLastSession;
    SOCKET m_sockListen;
    u_long m_listenAddress;               // network order; INADDR_ANY when bound to every address
    unsigned long m_nPassivePortCount;
    unsigned short m_nPassivePortFirst;
    const char* m_pszMonths[12];
    FtpAccount* m_pAnonymousAccount;
    FtpAccount* m_pFirstAccount;
    FtpAccount* m_pLastAccount;
    int m_nReplyBufferSize;
    bool m_bAnonymousEnabled;
    bool m_bListening;
    bool m_bAcceptorRunning;
    HANDLE m_hAcceptorThread;

    CRITICAL_SECTION m_csShared;          // lists, login counts, flags, session states
    FtpServerLimits m_limits;
    volatile LONG m_nStopAcceptor;        // tells the running acceptor to close its listener and end
    volatile LONG m_bShuttingDown;        // the destructor runs: every thread ends
    volatile LONG m_nLiveThreads;         // sessions not yet returned (each joins its transfer first)
    volatile LONG m_nNextCookie;
    WorkerPool m_sessionWorkers;          // run SessionThread; idle once m_nLiveThreads is 0
    WorkerPool m_transferWorkers;         // idle once every session has returned

    void Lock() { EnterCriticalSection(&m_csShared); }
    void Unlock() { LeaveCriticalSection(&m_csShared); }
};

#endif

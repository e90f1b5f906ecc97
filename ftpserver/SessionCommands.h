// What the dispatcher and the command handlers share.
#ifndef FTPSERVER_SESSIONCOMMANDS_H
#define FTPSERVER_SESSIONCOMMANDS_H

#include "BuiltinFtpServer.h"
#include "FtpPaths.h"

#include <sys/stat.h>

enum SessionFlow { FLOW_CONTINUE, FLOW_END };

struct CommandContext {
    FtpSession* session;
    CBuiltinFtpServer* server;
    CStr verb;
    CStr argument;
    bool hasArgument;

    void Reply(const char* text) { server->SendReplyFormat(session, "%s\r\n", text); }
    FtpAccount* Account() const { return session->account; }
};

typedef SessionFlow (*CommandHandler)(CommandContext& c);

SessionFlow DispatchCommand(CommandContext& c);

// Access: QUIT USER PASS REIN
SessionFlow OnQuit(CommandContext& c);
SessionFlow OnUser(CommandContext& c);
SessionFlow OnPass(CommandContext& c);
SessionFlow OnRein(CommandContext& c);
// Settings and information: NOOP/ALLO HELP SYST STRU MODE TYPE FEAT STAT
SessionFlow OnNoop(CommandContext& c);
SessionFlow OnHelp(CommandContext& c);
SessionFlow OnSyst(CommandContext& c);
SessionFlow OnStru(CommandContext& c);
SessionFlow OnMode(CommandContext& c);
SessionFlow OnType(CommandContext& c);
SessionFlow OnFeat(CommandContext& c);
SessionFlow OnStat(CommandContext& c);
// Names: CWD CDUP PWD MDTM SIZE DELE RNFR RNTO MKD RMD
SessionFlow OnCwd(CommandContext& c);
SessionFlow OnCdup(CommandContext& c);
SessionFlow OnPwd(CommandContext& c);
SessionFlow OnMdtm(CommandContext& c);
SessionFlow OnSize(CommandContext& c);
SessionFlow OnDele(CommandContext& c);
SessionFlow OnRnfr(CommandContext& c);
SessionFlow OnRnto(CommandContext& c);
SessionFlow OnMkd(CommandContext& c);
SessionFlow OnRmd(CommandContext& c);
// Data: PORT PASV REST ABOR LIST NLST RETR STOR APPE STOU
SessionFlow OnPort(CommandContext& c);
SessionFlow OnPasv(CommandContext& c);
SessionFlow OnRest(CommandContext& c);
SessionFlow OnAbor(CommandContext& c);
SessionFlow OnList(CommandContext& c);
SessionFlow OnRetr(CommandContext& c);
SessionFlow OnStore(CommandContext& c);

// ---- Helpers of the handlers ----
int SessionState(FtpSession* session);
// Waits until the session's launched transfer, if any, has returned; the session may then start another.
void ReapTransferThread(FtpSession* session);
void ClosePendingDataConnection(FtpSession* session);
// The end of a login (REIN, a new USER): loggedIn and anonymous cleared, the account's count lowered.
void EndLogin(FtpSession* session);
bool ResolveArgument(CommandContext& c, ClientPath& path);
bool QueryStatus(const ClientPath& path, struct _stati64& status);
inline bool IsDirectoryMode(unsigned mode) { return (mode & 0xF000) == 0x4000; }

// UTC broken-down time of seconds since 1970 (any value, before 1970 too).
struct UtcTime {
    int year, month0, day, hour, minute, second;
};
UtcTime BreakDownUtc(long long seconds);

// Waits for the thread message with this cookie in lParam; false on WM_CLOSE, a stop flag or the time limit.
struct StopFlags;
bool AwaitThreadMessage(UINT message, LPARAM cookie, DWORD waitLimitMs, const StopFlags& stop, LPARAM& wParam);

enum LoginOutcome { LOGIN_ACCEPTED, LOGIN_REFUSED_BY_HOST, LOGIN_NOT_CONFIRMED };
LoginOutcome RunLoginExchange(FtpSession* session, const CStr& user);

#endif

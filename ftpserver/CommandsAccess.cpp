// QUIT, USER, PASS, REIN: the login and its counting.
#include "SessionCommands.h"

void EndLogin(FtpSession* session)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    if (session->loggedIn && session->account)
        session->account->loginCount--;
    // A session that leaves its login has the whole login time again, no more.
    if (session->loggedIn)
        session->loginClockStart = GetTickCount();
    session->loggedIn = false;
    session->anonymous = false;
    server->Unlock();
}

SessionFlow OnQuit(CommandContext& c)
{
    c.Reply("221 Goodbye.");
    return FLOW_END;
}

SessionFlow OnUser(CommandContext& c)
{
    if (!c.hasArgument) {
        c.Reply("501 Invalid number of arguments.");
        return FLOW_CONTINUE;
    }
    FtpSession* s = c.session;
    CBuiltinFtpServer* server = c.server;
    EndLogin(s);

    server->Lock();
    FtpAccount* anonymous = server->m_bAnonymousEnabled ? server->m_pAnonymousAccount : nullptr;
    bool anonymousLogin = anonymous && c.argument.EqualsNoCase("anonymous");
    if (anonymousLogin) {
        s->account = anonymous;
        s->loggedIn = true;
        s->anonymous = true;
        anonymous->loginCount++;
    } else {
        FtpAccount* named = server->FindAccount(c.argument);
        s->account = named && named->enabled ? named : nullptr;
    }
    server->Unlock();

    if (!anonymousLogin) {
        c.Reply("331 Password required for this user.");
        return FLOW_CONTINUE;
    }
    LoginOutcome outcome = RunLoginExchange(s, "Anonymous");
    if (outcome == LOGIN_ACCEPTED) {
        c.Reply("230 User Logged In.");
        return FLOW_CONTINUE;
    }
    // A refused anonymous client was never announced as logged in: no disconnect notice either.
    EndLogin(s);
    server->Lock();
    s->account = nullptr;
    server->Unlock();
    if (outcome == LOGIN_NOT_CONFIRMED)
        c.Reply("421 Login not confirmed.");
    return FLOW_END;
}

SessionFlow OnPass(CommandContext& c)
{
    FtpSession* s = c.session;
    CBuiltinFtpServer* server = c.server;
    if (s->anonymous) {
        s->loggedIn = true;
        c.Reply("230 User Logged In.");
        return FLOW_CONTINUE;
    }
    if (!c.hasArgument) {
        c.Reply("501 Invalid number of arguments.");
        return FLOW_CONTINUE;
    }
    enum { WRONG, TOO_MANY, RIGHT } verdict = WRONG;
    CStr user;
    server->Lock();
    FtpAccount* account = s->account;
    if (account && account->enabled && account->hasPassword && account->password == c.argument) {
        if (account->maxLogins != 0 && account->loginCount >= account->maxLogins) {
            verdict = TOO_MANY;
        } else {
            verdict = RIGHT;
            if (!s->loggedIn)
                account->loginCount++;
            s->loggedIn = true;
            user = account->name;
        }
    }
    int failLimit = server->m_limits.maxFailedLogins;
    server->Unlock();

    if (verdict == TOO_MANY) {
        c.Reply("421 Too many users logged in for this account.");
        return FLOW_CONTINUE;
    }
    if (verdict == WRONG) {
        // Guessing is slowed down, then the connection is dropped.
        s->failedLogins++;
        if (failLimit > 0 && s->failedLogins >= failLimit) {
            c.Reply("421 Too many failed logins.");
            return FLOW_END;
        }
        if (s->failedLogins > 1)
            Sleep(static_cast<DWORD>(250 * (s->failedLogins - 1)));
        c.Reply("530 Please login with valid USER and PASS.");
        return FLOW_CONTINUE;
    }
    LoginOutcome outcome = RunLoginExchange(s, user);
    if (outcome == LOGIN_ACCEPTED) {
        s->failedLogins = 0;
        c.Reply("230 User Logged In.");
        return FLOW_CONTINUE;
    }
    if (outcome == LOGIN_NOT_CONFIRMED)
        c.Reply("421 Login not confirmed.");
    return FLOW_END;
}

SessionFlow OnRein(CommandContext& c)
{
    FtpSession* s = c.session;
    EndLogin(s);
    c.server->Lock();
    s->account = nullptr;
    c.server->Unlock();
    s->cwd = "/";
    if (SessionState(s) == FTP_IDLE) {
        ClosePendingDataConnection(s);
        s->dataMode = FTP_DATA_NONE;
    }
    s->renameFrom.Empty();
    s->hasRenameFrom = false;
    c.Reply("200 Reinitialize Successful.");
    return FLOW_CONTINUE;
}

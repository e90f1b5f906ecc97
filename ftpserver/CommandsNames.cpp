// Commands on names: CWD, CDUP, PWD, MDTM, SIZE, DELE, RNFR, RNTO, MKD, RMD.
#include "SessionCommands.h"

#include <cstdio>

bool ResolveArgument(CommandContext& c, ClientPath& path)
{
    FtpAccount* account = c.Account();
    return account && ResolveClientPath(account->root, c.session->cwd, c.argument, path);
}

bool QueryStatus(const ClientPath& path, struct _stati64& status)
{
    return _stati64(path.native, &status) == 0;
}

UtcTime BreakDownUtc(long long seconds)
{
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from a day count (proleptic Gregorian calendar, eras of 400 years).
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long dayOfEra = z - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long monthIndex = (5 * dayOfYear + 2) / 153;
    UtcTime t;
    t.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    t.month0 = static_cast<int>(monthIndex < 10 ? monthIndex + 2 : monthIndex - 10);
    t.year = static_cast<int>(yearOfEra + era * 400 + (t.month0 <= 1 ? 1 : 0));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

namespace {

bool NeedArgument(CommandContext& c, const char* reply)
{
    if (c.hasArgument)
        return true;
    c.Reply(reply);
    return false;
}

// Removing, renaming or deleting the account root itself is never allowed.
bool IsRoot(const ClientPath& path)
{
    return path.virtualPath == "/";
}

}  // namespace

SessionFlow OnCwd(CommandContext& c)
{
    if (!NeedArgument(c, "501 Invalid number of arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    if (ResolveArgument(c, path) && QueryStatus(path, status) && IsDirectoryMode(status.st_mode)) {
        c.session->cwd = path.virtualPath;
        c.Reply("250 CWD command successful.");
    } else {
        c.Reply("550 No such file or directory.");
    }
    return FLOW_CONTINUE;
}

SessionFlow OnCdup(CommandContext& c)
{
    CStr parent;
    if (ResolveVirtualPath(c.session->cwd, "..", parent))
        c.session->cwd = parent;
    c.Reply("250 CDUP command successful.");
    return FLOW_CONTINUE;
}

SessionFlow OnPwd(CommandContext& c)
{
    c.server->SendReplyFormat(c.session, "257 \"%s\" is current directory.\r\n", c.session->cwd.c_str());
    return FLOW_CONTINUE;
}

SessionFlow OnMdtm(CommandContext& c)
{
    if (!NeedArgument(c, "501 Invalid number of arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    if (ResolveArgument(c, path) && QueryStatus(path, status)) {
        UtcTime t = BreakDownUtc(status.st_mtime);
        c.server->SendReplyFormat(c.session, "213 %04d%02d%02d%02d%02d%02d\r\n", t.year, t.month0 + 1, t.day,
                                  t.hour, t.minute, t.second);
    } else {
        c.Reply("550 No such file or directory.");
    }
    return FLOW_CONTINUE;
}

SessionFlow OnSize(CommandContext& c)
{
    if (!NeedArgument(c, "501 Syntax error in arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    if (ResolveArgument(c, path) && QueryStatus(path, status))
        c.server->SendReplyFormat(c.session, "213 %lld\r\n", static_cast<long long>(status.st_size));
    else
        c.Reply("550 No such file.");
    return FLOW_CONTINUE;
}

SessionFlow OnDele(CommandContext& c)
{
    if (!NeedArgument(c, "501 Syntax error in arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    if (!ResolveArgument(c, path) || !QueryStatus(path, status))
        c.Reply("550 No such file.");
    else if (IsRoot(path))
        c.Reply("550 Permission denied.");
    else if (!DeleteFileA(path.native))
        c.Reply("550 Can' t Remove or Access Error.");
    else
        c.Reply("250 DELE command successful.");
    return FLOW_CONTINUE;
}

SessionFlow OnRnfr(CommandContext& c)
{
    if (!NeedArgument(c, "501 Syntax error in arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    if (!ResolveArgument(c, path) || !QueryStatus(path, status)) {
        c.Reply("550 No such file or directory.");
    } else if (IsRoot(path)) {
        c.Reply("550 Permission denied.");
    } else {
        c.session->renameFrom = path.native;
        c.session->hasRenameFrom = true;
        c.Reply("350 File or directory exists, ready for destination name.");
    }
    return FLOW_CONTINUE;
}

SessionFlow OnRnto(CommandContext& c)
{
    if (!NeedArgument(c, "501 Syntax error in arguments."))
        return FLOW_CONTINUE;
    FtpSession* s = c.session;
    if (!s->hasRenameFrom) {
        c.Reply("503 Bad sequence of commands");
        return FLOW_CONTINUE;
    }
    ClientPath path;
    if (ResolveArgument(c, path) && !IsRoot(path) && MoveFileA(s->renameFrom, path.native))
        c.Reply("250 Rename successful.");
    else
        c.Reply("550 Rename failure.");
    s->renameFrom.Empty();
    s->hasRenameFrom = false;
    return FLOW_CONTINUE;
}

SessionFlow OnMkd(CommandContext& c)
{
    if (!NeedArgument(c, "501 Syntax error in arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    // A name that cannot be formed is answered as a name that is taken.
    if (!ResolveArgument(c, path) || QueryStatus(path, status))
        c.Reply("550 File Already Exists.");
    else if (!CreateDirectoryA(path.native, nullptr))
        c.Reply("550 MKD Error Creating DIR.");
    else
        c.Reply("250 MKD command successful.");
    return FLOW_CONTINUE;
}

SessionFlow OnRmd(CommandContext& c)
{
    if (!NeedArgument(c, "501 Syntax error in arguments."))
        return FLOW_CONTINUE;
    ClientPath path;
    struct _stati64 status;
    if (!ResolveArgument(c, path) || !QueryStatus(path, status))
        c.Reply("550 Directory not found.");
    else if (IsRoot(path))
        c.Reply("550 Permission denied.");
    else if (!RemoveDirectoryA(path.native))
        c.Reply("450 Internal error deleting the directory.");
    else
        c.Reply("250 Directory deleted successfully.");
    return FLOW_CONTINUE;
}

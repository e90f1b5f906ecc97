// The dispatcher: the command table in the order verbs are compared.
#include "SessionCommands.h"

#include <cstring>

namespace {

struct CommandEntry {
    const char* verb;
    unsigned char right;   // the account must hold it, else "550 Permission denied." before anything
    bool beforeLogin;      // served while not logged in
    CommandHandler handler;
};

const CommandEntry kCommands[] = {
    {"QUIT", 0, true, OnQuit},
    {"USER", 0, true, OnUser},
    {"PASS", 0, true, OnPass},
    {"NOOP", 0, false, OnNoop},
    {"ALLO", 0, false, OnNoop},
    {"HELP", 0, false, OnHelp},
    {"REIN", 0, false, OnRein},
    {"SYST", 0, false, OnSyst},
    {"STRU", 0, false, OnStru},
    {"MODE", 0, false, OnMode},
    {"TYPE", 0, false, OnType},
    {"PORT", 0, false, OnPort},
    {"PASV", 0, false, OnPasv},
    {"LIST", 0, false, OnList},   // DFPERM_LIST is tested by the listing itself
    {"NLST", 0, false, OnList},
    {"CWD", 0, false, OnCwd},
    {"XCWD", 0, false, OnCwd},
    {"FEAT", 0, false, OnFeat},
    {"MDTM", 0, false, OnMdtm},
    {"PWD", 0, false, OnPwd},
    {"XPWD", 0, false, OnPwd},
    {"CDUP", 0, false, OnCdup},
    {"XCUP", 0, false, OnCdup},
    {"STAT", 0, false, OnStat},
    {"ABOR", 0, false, OnAbor},
    {"REST", 0, false, OnRest},
    {"RETR", FTP_RIGHT_READFILE, false, OnRetr},
    {"STOR", FTP_RIGHT_WRITEFILE, false, OnStore},
    {"APPE", FTP_RIGHT_WRITEFILE, false, OnStore},
    {"STOU", FTP_RIGHT_WRITEFILE, false, OnStore},
    {"SIZE", 0, false, OnSize},
    {"DELE", FTP_RIGHT_DELETEFILE, false, OnDele},
    {"RNFR", FTP_RIGHT_DELETEFILE, false, OnRnfr},
    {"RNTO", 0, false, OnRnto},
    {"MKD", FTP_RIGHT_CREATEDIR, false, OnMkd},
    {"XMKD", FTP_RIGHT_CREATEDIR, false, OnMkd},
    {"RMD", FTP_RIGHT_DELETEDIR, false, OnRmd},
    {"XRMD", FTP_RIGHT_DELETEDIR, false, OnRmd},
};

const CommandEntry* FindCommand(const CStr& verb)
{
    for (const CommandEntry& entry : kCommands) {
        if (verb == entry.verb)
            return &entry;
    }
    return nullptr;
}

}  // namespace

SessionFlow DispatchCommand(CommandContext& c)
{
    if (SessionState(c.session) == FTP_IDLE)
        ReapTransferThread(c.session);
    const CommandEntry* entry = FindCommand(c.verb);
    if ((!entry || !entry->beforeLogin) && !c.session->loggedIn) {
        c.Reply("530 Please login with USER and PASS.");
        return FLOW_CONTINUE;
    }
    if (!entry) {
        c.Reply("500 Command not understood.");
        return FLOW_CONTINUE;
    }
    if (entry->right && !(c.Account() && (c.Account()->rights & entry->right))) {
        c.Reply("550 Permission denied.");
        return FLOW_CONTINUE;
    }
    return entry->handler(c);
}

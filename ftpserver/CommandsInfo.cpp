// Commands that only answer: NOOP/ALLO, HELP, SYST, STRU, MODE, TYPE, FEAT, STAT.
#include "SessionCommands.h"

SessionFlow OnNoop(CommandContext& c)
{
    c.Reply("200 NOOP Command Successful.");
    return FLOW_CONTINUE;
}

SessionFlow OnHelp(CommandContext& c)
{
    c.Reply("500 No Help Available.");
    return FLOW_CONTINUE;
}

SessionFlow OnSyst(CommandContext& c)
{
    c.Reply("215 UNIX Type: L8");
    return FLOW_CONTINUE;
}

SessionFlow OnStru(CommandContext& c)
{
    if (!c.hasArgument)
        c.Reply("501 Invalid number of arguments.");
    else if (c.argument == "F")
        c.Reply("200 STRU Command Successful.");
    else
        c.Reply("504 STRU failled. Parametre not implemented");
    return FLOW_CONTINUE;
}

SessionFlow OnMode(CommandContext& c)
{
    if (!c.hasArgument)
        c.Reply("501 Invalid number of arguments.");
    else if (c.argument == "S")
        c.Reply("200 Mode set to S.");
    else if (c.argument == "C")
        c.Reply("502 MODE non-implemented.");
    else
        c.server->SendReplyFormat(c.session, "504 \"%s\": Unsupported transfer MODE.\r\n", c.argument.c_str());
    return FLOW_CONTINUE;
}

SessionFlow OnType(CommandContext& c)
{
    // Data always move byte for byte; the answer only tells the client what it asked for.
    if (!c.hasArgument)
        c.Reply("501 Invalid number of arguments.");
    else if (c.argument.At(0) == 'A')
        c.Reply("200 ASCII transfer mode active.");
    else if (c.argument.At(0) == 'I')
        c.Reply("200 Binary transfer mode active.");
    else
        c.Reply("550 Error - unknown binary mode.");
    return FLOW_CONTINUE;
}

SessionFlow OnFeat(CommandContext& c)
{
    c.server->SendReply(c.session, "211-Features:\r\n MDTM\r\n SIZE\r\n211 End\r\n");
    return FLOW_CONTINUE;
}

SessionFlow OnStat(CommandContext& c)
{
    if (c.hasArgument)
        c.server->SendDirectoryListing(c.session, &c.argument, "STAT");
    else
        c.Reply("211 :: Quendal / Pellor FTP Server:: Ask the administrator of this host for help.");
    return FLOW_CONTINUE;
}

// Command I/O module: reads one command line from a session's control connection (time-outs armed
// before every blocking wait) and writes replies to it.
#ifndef FTPSERVER_COMMANDIO_H
#define FTPSERVER_COMMANDIO_H

#include "BuiltinFtpServer.h"
#include "CommandParsers.h"
#include "DataIo.h"

struct CommandChannel {
    TelnetFilter telnet;
    FtpLineReader lines;
};

enum CommandReadResult { CMD_LINE, CMD_CLOSED, CMD_OVERFLOW, CMD_TIMEOUT, CMD_STOPPED };

// The flags that end any wait of a session thread.
StopFlags SessionStopFlags(FtpSession* session);

CommandReadResult ReadCommandLine(FtpSession* session, CommandChannel& channel, CStr& line);

// The listening socket's options, which every accepted control connection inherits: urgent data inline
// (ABOR sent as urgent data keeps its last byte), no Nagle delay between a reply and the next,
// non-blocking.
void PrepareListeningSocket(SOCKET listener);
// Prepares a freshly accepted control connection on the session's own thread: the event that tells of a
// command's arrival, and the local address that data connections use.
void PrepareControlSocket(FtpSession* session);

#endif

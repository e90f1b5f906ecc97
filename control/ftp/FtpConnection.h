// What belongs to one FTP control connection and dies with it: its identity, the start of a reply
// line that is still arriving, and the number of replies the server still owes us. Connect and
// Disconnect replace the whole record, so nothing of an earlier connection is ever read as part
// of the next one.
#ifndef DORVIK_FTPCONNECTION_H
#define DORVIK_FTPCONNECTION_H

#include <deque>
#include <string>

#include "CStr.h"

struct FtpConnection {
    // Changes whenever Connect or Disconnect replaces the sockets; an operation compares it with the
    // value it started on to learn that its connection was taken away under it.
    unsigned serial = 0;
    // Bytes received that no line has taken yet: the rest of a reply, or the next one.
    std::string received;
    // A reply line that arrived in pieces waits here until its CR comes.
    CStr partialLine;
    bool partialIsContinuation = false;  // the pending text is the rest of a line cut at the length limit
    // One entry per answer the server still owes, oldest first: commands sent (and the greeting)
    // whose reply has not been read yet. A reply wait that ended early (abort, time-out) leaves its
    // entry here; it is read before the next command goes out, so that no command ever takes an
    // earlier command's answer for its own. An entry is true where a 1xx answer is only preliminary
    // and the final one still follows (the transfer commands and the greeting).
    std::deque<bool> owedReplies;
    // The code of a multi-line reply whose first line has come and whose last has not.
    int openMultiLineCode = -1;
    // The server closed the control connection, or it broke: nothing more will come on it.
    bool closedByPeer = false;
    // A command went out and no receive has been tried since: its answer cannot be here yet.
    bool commandJustSent = false;

    void Replace()
    {
        ++serial;
        received.clear();
        partialLine.Empty();
        partialIsContinuation = false;
        owedReplies.clear();
        openMultiLineCode = -1;
        closedByPeer = false;
        commandJustSent = false;
    }
};

#endif

// Pure text rules of the control connection: Telnet filtering, line framing, verb/argument split, and
// the PORT and REST arguments. No sockets here, so every rule can be tested on its own.
#ifndef FTPSERVER_COMMANDPARSERS_H
#define FTPSERVER_COMMANDPARSERS_H

#include "CStr.h"

// Strips Telnet IAC sequences (options, IP, DM, ...) from the byte stream; IAC IAC gives one 0xFF.
// Keeps its state across calls, since a sequence may be split between two receives.
class TelnetFilter {
public:
    void Feed(const char* data, int length, CStr& out);

private:
    int m_state = 0;  // 0 plain, 1 after IAC, 2 after IAC and an option verb
};

// Frames command lines the way the server always has: it holds at most 276 received bytes; a line ends at
// the first CR LF among them, else at the first LF; a NUL cuts the line short and drops the rest of what
// is held. Bytes beyond the held window belong to later lines.
class FtpLineReader {
public:
    static constexpr int kWindow = 276;
    enum Result { NeedMore, GotLine, Overflow };

    void Append(const CStr& bytes) { m_pending += bytes; }
    Result TakeLine(CStr& line);
    bool HasPending() const { return !m_pending.IsEmpty(); }

private:
    CStr m_pending;
};

// Verb before the first space (ASCII upper-cased), argument after it unchanged; no space, no argument.
void SplitCommandLine(const CStr& line, CStr& verb, CStr& argument, bool& hasArgument);

enum PortParseResult { PORT_OK, PORT_SYNTAX, PORT_PRIVILEGED };
// h1,h2,h3,h4,p1,p2: plain decimal fields 0-255 (no sign, no blanks inside, at most three digits), any
// text after the sixth ignored; the host not 0.0.0.0, the port not 0. Ports below 1024 are refused, so
// that no client can aim the server's data connection at another host's well-known service.
PortParseResult ParsePortArgument(const CStr& argument, unsigned long& hostOrder, unsigned short& port);

// Leading blanks, an optional sign, decimal digits; reading stops at the first other character, and no
// digits read as 0. A negative value, or one beyond 63 bits, is refused.
bool ParseRestOffset(const CStr& argument, long long& offset);

#endif

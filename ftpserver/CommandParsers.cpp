#include "CommandParsers.h"

#include <cctype>

namespace {
constexpr unsigned char IAC = 255, WILL = 251, WONT = 252, DO = 253, DONT = 254;
}

void TelnetFilter::Feed(const char* data, int length, CStr& out)
{
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        switch (m_state) {
        case 0:
            if (c == IAC)
                m_state = 1;
            else
                out += static_cast<char>(c);
            break;
        case 1:
            if (c == IAC) {
                out += static_cast<char>(c);
                m_state = 0;
            } else if (c >= WILL && c <= DONT) {
                m_state = 2;
            } else {
                m_state = 0;  // IP, DM, AO, ... carry no data
            }
            break;
        default:
            m_state = 0;  // the option byte of WILL/WONT/DO/DONT
            break;
        }
    }
}

FtpLineReader::Result FtpLineReader::TakeLine(CStr& line)
{
    int held = m_pending.GetLength() < kWindow ? m_pending.GetLength() : kWindow;
    CStr window = m_pending.Left(held);
    int firstLf = window.Find('\n');
    if (firstLf < 0)
        return held >= kWindow ? Overflow : NeedMore;

    int nul = window.Find('\0');
    int limit = nul < 0 ? held : nul;
    int end = -1, terminator = 0;
    for (int i = 0; i + 1 < limit; ++i) {
        if (window.At(i) == '\r' && window.At(i + 1) == '\n') {
            end = i;
            terminator = 2;
            break;
        }
    }
    if (end < 0 && firstLf < limit) {
        end = firstLf;
        terminator = 1;
    }
    if (end < 0) {
        line = window.Left(limit);
        m_pending = m_pending.Mid(held);
        return GotLine;
    }
    line = window.Left(end);
    m_pending = m_pending.Mid(end + terminator);
    return GotLine;
}

void SplitCommandLine(const CStr& line, CStr& verb, CStr& argument, bool& hasArgument)
{
    int space = line.Find(' ');
    hasArgument = space >= 0;
    verb = hasArgument ? line.Left(space) : line;
    argument = hasArgument ? line.Mid(space + 1) : CStr();
    verb.MakeUpper();
}

PortParseResult ParsePortArgument(const CStr& argument, unsigned long& hostOrder, unsigned short& port)
{
    unsigned fields[6];
    int at = 0;
    for (int f = 0; f < 6; ++f) {
        if (f > 0) {
            if (argument.At(at) != ',')
                return PORT_SYNTAX;
            ++at;
        }
        int digits = 0;
        unsigned value = 0;
        while (std::isdigit(argument.ByteAt(at))) {
            if (++digits > 3)
                return PORT_SYNTAX;
            value = value * 10 + static_cast<unsigned>(argument.At(at) - '0');
            ++at;
        }
        if (digits == 0 || value > 255)
            return PORT_SYNTAX;
        fields[f] = value;
    }
    // Whatever follows the sixth number (a seventh field, a client's comment) is not looked at.
    hostOrder = (fields[0] << 24) | (fields[1] << 16) | (fields[2] << 8) | fields[3];
    unsigned portValue = fields[4] * 256 + fields[5];
    if (hostOrder == 0 || portValue == 0)
        return PORT_SYNTAX;
    if (portValue < 1024)
        return PORT_PRIVILEGED;
    port = static_cast<unsigned short>(portValue);
    return PORT_OK;
}

bool ParseRestOffset(const CStr& argument, long long& offset)
{
    // Reading stops at the first character that is not a digit; no digits at all read as 0.
    int at = 0;
    while (argument.At(at) == ' ' || argument.At(at) == '\t')
        ++at;
    bool negative = argument.At(at) == '-';
    if (negative || argument.At(at) == '+')
        ++at;
    long long value = 0;
    for (; std::isdigit(argument.ByteAt(at)); ++at) {
        int digit = argument.At(at) - '0';
        if (value > (0x7FFFFFFFFFFFFFFFLL - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    if (negative && value != 0)
        return false;
    offset = value;
    return true;
}

// Control-connection text rules: Telnet filtering, line framing, splitting, PORT and REST.
#include "CommandParsers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds the bytes as one segment and returns every line the reader frames, then "<overflow>" or
// "<more>" for how it stopped.
std::vector<std::string> Frame(const std::string& bytes)
{
    FtpLineReader reader;
    reader.Append(CStr(bytes));
    std::vector<std::string> lines;
    for (;;) {
        CStr line;
        FtpLineReader::Result result = reader.TakeLine(line);
        if (result == FtpLineReader::GotLine) {
            lines.push_back(line.str());
            continue;
        }
        lines.push_back(result == FtpLineReader::Overflow ? "<overflow>" : "<more>");
        return lines;
    }
}

TEST(FtpLineReader, FramesLinesLikeTheServerAlwaysHas)
{
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"NOOP", "SYST", "<more>"}), Frame("NOOP\r\nSYST\r\n"));
    EXPECT_EQ((V{"NOOP", "<more>"}), Frame("NOOP\n"));
    // The first CR LF wins over an earlier lone LF.
    EXPECT_EQ((V{"NOOP\nNOOP", "<more>"}), Frame("NOOP\nNOOP\r\n"));
    // A NUL cuts the line and drops the rest of what is held.
    EXPECT_EQ((V{"NO", "<more>"}), Frame(std::string("NO\0OP\r\nSYST\r\n", 13)));
    EXPECT_EQ((V{"<more>"}), Frame("NOOP"));
}

TEST(FtpLineReader, HoldsAtMost276Bytes)
{
    std::string longest(274, 'x');
    EXPECT_EQ((std::vector<std::string>{longest, "<more>"}), Frame(longest + "\r\n"));
    std::string lfOnly(275, 'y');
    EXPECT_EQ((std::vector<std::string>{lfOnly, "<more>"}), Frame(lfOnly + "\n"));
    EXPECT_EQ((std::vector<std::string>{"<overflow>"}), Frame(std::string(275, 'z') + "\r\n"));
    // Bytes past the held window are not searched: the lone LF inside it ends the line.
    std::string early = "NOOP\n" + std::string(300, 'a') + "\r\n";
    EXPECT_EQ("NOOP", Frame(early)[0]);
}

TEST(TelnetFilter, StripsCommandsEvenWhenSplit)
{
    const std::string urgentAbort = "\xFF\xF4\xFF\xF2" "ABOR\r\n";  // IAC IP IAC DM ABOR
    TelnetFilter filter;
    CStr out;
    filter.Feed(urgentAbort.data(), 1, out);
    filter.Feed(urgentAbort.data() + 1, static_cast<int>(urgentAbort.size()) - 1, out);
    EXPECT_STREQ("ABOR\r\n", out.c_str());

    TelnetFilter options;
    CStr text;
    const std::string negotiation = "\xFF\xFB\x01US\xFF\xFF" "ER\r\n";  // IAC WILL ECHO, IAC IAC
    options.Feed(negotiation.data(), static_cast<int>(negotiation.size()), text);
    EXPECT_EQ(std::string("US\xFF" "ER\r\n"), text.str());
}

TEST(SplitCommandLine, UpperCasesTheVerbAndKeepsTheArgument)
{
    struct Row { const char* line; const char* verb; bool hasArgument; const char* argument; };
    const Row rows[] = {
        {"user Bob", "USER", true, "Bob"},
        {"USER  bob", "USER", true, " bob"},
        {"PASV", "PASV", false, ""},
        {"STAT ", "STAT", true, ""},
        {"cwd a b ", "CWD", true, "a b "},
    };
    for (const Row& row : rows) {
        CStr verb, argument;
        bool hasArgument = false;
        SplitCommandLine(row.line, verb, argument, hasArgument);
        EXPECT_STREQ(row.verb, verb.c_str());
        EXPECT_EQ(row.hasArgument, hasArgument) << row.line;
        EXPECT_STREQ(row.argument, argument.c_str());
    }
}

TEST(ParsePortArgument, AcceptsStrictFieldsAndIgnoresWhatFollowsTheSixth)
{
    struct Row { const char* argument; PortParseResult result; unsigned long host; unsigned short port; };
    const Row rows[] = {
        {"10,0,0,5,4,1", PORT_OK, 0x0A000005, 1025},
        {"127,0,0,1,195,80", PORT_OK, 0x7F000001, 50000},
        {"127,0,0,1,195,80  ", PORT_OK, 0x7F000001, 50000},
        {"127,0,0,1,12,200 junk", PORT_OK, 0x7F000001, 3272},
        {"127,0,0,1,12,200junk", PORT_OK, 0x7F000001, 3272},
        {"10,0,0,5,4,1,7", PORT_OK, 0x0A000005, 1025},
        {"10,0,0,5,4,1,", PORT_OK, 0x0A000005, 1025},
        {"10,0,0,5,0,21", PORT_PRIVILEGED, 0, 0},
        {"10,0,0,5,3,255", PORT_PRIVILEGED, 0, 0},
        {"0,0,0,0,4,1", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,0,0", PORT_SYNTAX, 0, 0},
        {"10,0,0,256,4,1", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,4", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,4,", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,4,1000", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,0,21 junk", PORT_PRIVILEGED, 0, 0},
        {"10,0,0,5,+4,1", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,-4,1", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,0004,1", PORT_SYNTAX, 0, 0},
        {"10,0,0,5,4294967300,1", PORT_SYNTAX, 0, 0},
        {"10, 0,0,5,4,1", PORT_SYNTAX, 0, 0},
        {"", PORT_SYNTAX, 0, 0},
    };
    for (const Row& row : rows) {
        unsigned long host = 0;
        unsigned short port = 0;
        EXPECT_EQ(row.result, ParsePortArgument(row.argument, host, port)) << row.argument;
        if (row.result == PORT_OK) {
            EXPECT_EQ(row.host, host);
            EXPECT_EQ(row.port, port);
        }
    }
}

TEST(ParseRestOffset, ReadsNonNegative64BitOffsets)
{
    struct Row { const char* argument; bool ok; long long offset; };
    const Row rows[] = {
        {"100", true, 100},
        {"  +7x", true, 7},
        {"5000000000", true, 5000000000LL},
        {"9223372036854775807", true, 9223372036854775807LL},
        {"9223372036854775808", false, 0},
        {"-5", false, 0},
        {"  -1x", false, 0},
        {"-0", true, 0},
        {"abc", true, 0},
        {"", true, 0},
        {"x12", true, 0},
    };
    for (const Row& row : rows) {
        long long offset = -1;
        EXPECT_EQ(row.ok, ParseRestOffset(row.argument, offset)) << row.argument;
        if (row.ok) {
            EXPECT_EQ(row.offset, offset);
        }
    }
}

}  // namespace

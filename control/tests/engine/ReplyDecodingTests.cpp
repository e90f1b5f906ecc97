// The data inside 227 and 257 replies, and what marks a reply line.
#include <gtest/gtest.h>

#include "ReplyDecoding.h"

namespace {

TEST(ReplyDecoding, PassiveAddresses)
{
    struct Row {
        const char* line;
        const char* host;
        long port;
    } rows[] = {
        {"227 Entering Passive Mode (192,168,1,2,19,137).", "192.168.1.2", 5001},
        {"227 Entering Passive Mode (10,0,0,5,4,1)", "10.0.0.5", 1025},
        {"227 =127,0,0,1,255,255)", "", 0},  // no parenthesis: the whole text is no address
        {"227 Entering Passive Mode 127,0,0,1,4,1", "", 0},
        {"227 (256,0,0,1,4,1)", "", 0},
        {"227 (1,2,3,4,5,256)", "", 0},
        {"227 (1,2,3,4,5)", "", 0},
        {"227 (1,2,3,4,5,6,7)", "", 0},
        {"227 (1,2,3,-4,5,6)", "", 0},
        {"227 (1,2,,4,5,6)", "", 0},
        {"227 (1, 2,3,4,5,6)", "", 0},
        {"227 (0,0,0,0,0,0)", "0.0.0.0", 0},
        {"227 Entering (127,0,0,1,200,10) (9,9,9,9,9,9)", "127.0.0.1", 51210},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        CStr host = "stale";
        long port = 99;
        DecodePassiveReply(row.line, &host, &port);
        EXPECT_EQ(CStr(row.host), host);
        EXPECT_EQ(row.port, port);
    }
}

TEST(ReplyDecoding, Directories)
{
    struct Row {
        const char* line;
        const char* directory;
    } rows[] = {
        {"257 \"/pub/data\" is current", "/pub/data"},
        {"257 \"/\"", "/"},
        {"257 \"\" is empty", ""},
        {"257 no quotes here", ""},
        {"257 \"/unterminated", ""},
        {"257 \"/it\"\"s\" here", "/it\"s"},
        {"257 \"\"\"a\"", "\"a"},
        {"257 \"a b\" created \"c\"", "a b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(CStr(row.directory), DecodeDirectoryReply(row.line));
    }
}

TEST(ReplyDecoding, ReplyAndContinuationLines)
{
    EXPECT_EQ(230, ReplyLineCode("230 in"));
    EXPECT_EQ(-1, ReplyLineCode("230"));
    EXPECT_EQ(-1, ReplyLineCode("230-more"));
    EXPECT_EQ(-1, ReplyLineCode("23a ok"));
    EXPECT_EQ(-1, ReplyLineCode(" 230 ok"));
    EXPECT_EQ(230, ReplyContinuationCode("230-more"));
    EXPECT_EQ(-1, ReplyContinuationCode("230 more"));
}

} // namespace

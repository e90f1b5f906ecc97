// Reply lines and replies against scripted servers: pieces, multi-line replies, long lines,
// control bytes, silence, a closing server, the message pump, and the argument guard.
#include "EngineTestSupport.h"

namespace {

class ControlChannel : public EngineTest {};

TEST_F(ControlChannel, LinesArrivingInPiecesAreJoinedBeforeTheyAreJudged)
{
    Server("DORVIK_FAKESPLIT_PORT", "split", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    std::vector<std::string> expected = {"220 hello there", "331 pass", "230-Welcome", "230 in pieces",
                                         "257 \"/home\" is current"};
    EXPECT_EQ(expected, Replies());
    EXPECT_EQ((std::vector<long>{2, 1, 3, 8}), States());

    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("SLOW")));
    EXPECT_EQ(std::vector<std::string>{"200 slow"}, Replies());
    EXPECT_EQ(200, LastCode());
}

TEST_F(ControlChannel, MultiLineRepliesEndOnlyAtTheirOwnCode)
{
    Server("DORVIK_FAKE_PORT", "multi", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    std::vector<std::string> replies = Replies();
    ASSERT_GE(replies.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{"230-Welcome", "230-second line", "230 done"}),
              std::vector<std::string>(replies.begin() + 2, replies.begin() + 5));

    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("MULTI")));
    EXPECT_EQ((std::vector<std::string>{"211-status", "200 inner line", " 211 indented", "211 end"}), Replies());
    EXPECT_EQ(211, LastCode());
    EXPECT_EQ("211 end", LastText());
    // The next command gets its own answer.
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

TEST_F(ControlChannel, LongLineIsCutAtThreeHundredAndItsRestIsNeverAReply)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("LONG")));
    std::string first = "211 " + std::string(296, 'x');
    EXPECT_EQ(std::vector<std::string>{first}, Replies());
    EXPECT_EQ(211, LastCode());
    EXPECT_EQ(first, LastText());

    // The rest, which starts like a reply line of its own, shows up as a Reply but the
    // NOOP's answer is what NOOP gets.
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    std::string rest = "299 tail of the long line" + std::string(25, 'y');
    EXPECT_EQ((std::vector<std::string>{rest, "200 ok"}), Replies());
    EXPECT_EQ(200, LastCode());
}

TEST_F(ControlChannel, LowControlBytesAreDroppedAndHighBytesKept)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("CTRL")));
    std::string expected = std::string("200 abcde") + "\x80\xff" + "f";
    EXPECT_EQ(expected, LastText());
    EXPECT_EQ(std::vector<std::string>{expected}, Replies());
}

TEST_F(ControlChannel, SilentAndClosingServers)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    ctl->put_Timeout(1);
    // No answer: the earlier reply stays, the wait ends after the time-out.
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOREPLY")));
    EXPECT_EQ(200, LastCode());
    EXPECT_EQ("200 ok", LastText());

    // A server that hangs up in the middle of a line: no code, the partial text stays.
    ctl->put_Timeout(10);
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("DROP")));
    EXPECT_EQ(0, LastCode());
    EXPECT_EQ("421 partial", LastText());
    EXPECT_EQ(std::vector<std::string>{"421 partial"}, Replies());
}

TEST_F(ControlChannel, QuitMessageEndsTheWaitAndStaysQueuedForTheHost)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ctl->put_Timeout(20);
    DWORD started = GetTickCount();
    {
        TimerCall quit(300, [] { PostQuitMessage(7); });
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOREPLY")));
    }
    EXPECT_LT(GetTickCount() - started, 10000u);
    EXPECT_EQ(0, LastCode());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(ControlChannel, LineBreaksAndNulInArgumentsAreRefusedBeforeAnythingIsSent)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    const std::string bad[] = {std::string("NOOP\r\nDELE x"), std::string("a\nb"), std::string("a\0b", 3),
                               std::string("a\rb")};
    for (const std::string& text : bad) {
        Arg arg(text.data(), text.size());
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(arg));
        EXPECT_NE(std::string::npos, ErrorText().find("CR, LF and NUL"));
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->DeleteFile(arg));
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->RenameFile(arg, Arg("ok")));
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->RenameFile(Arg("ok"), arg));
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->put_CurrentWorkingDirectory(arg));
        EXPECT_EQ(0, Busy());
    }
    EXPECT_EQ("200 USER,PASS,PWD,HIST", FakeHistory());

    // A bad user name leaves the standing connection alone.
    ctl->put_Username(Arg("evil\r\nDELE x"));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_NE(std::string::npos, ErrorText().find("user name"));
    EXPECT_EQ(1, Connected());
    EXPECT_EQ("200 USER,PASS,PWD,HIST,HIST", FakeHistory());
}

TEST_F(ControlChannel, EchoShowsTheExactCommandBytes)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    std::string longArg(2000, 'a');
    ASSERT_EQ(S_OK, ctl->Quote(Arg("ECHO " + longArg)));
    // The reply line is cut at 300 characters; its start shows the command went out whole...
    EXPECT_EQ(0, LastText().find("200 4543484f20616161"));
    // ...and the server read exactly one line: the next command is answered in step.
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
    EXPECT_EQ("200 USER,PASS,PWD,ECHO,NOOP,HIST", FakeHistory());

    // An empty command is a bare CR LF.
    ASSERT_EQ(S_OK, ctl->Quote(nullptr));
    EXPECT_EQ(500, LastCode());
}

} // namespace

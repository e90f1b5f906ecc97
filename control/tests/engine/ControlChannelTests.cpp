// Reply lines and replies against scripted servers: pieces, multi-line replies, long lines,
// control bytes, silence, a closing server, the message pump, and the argument guard.
#include <fstream>

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
    // No answer: the wait ends after the time-out, and the earlier reply is not passed off as
    // this command's.
    ASSERT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOREPLY")));
    EXPECT_EQ("Timeout", ErrorText());
    EXPECT_EQ(0, LastCode());
    EXPECT_EQ("", LastText());

    // A server that hangs up in the middle of a line: no code, the partial text stays, and the
    // connection counts as closed from then on.
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ctl->put_Timeout(10);
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("DROP")));
    EXPECT_EQ(0, LastCode());
    EXPECT_EQ("421 partial", LastText());
    EXPECT_EQ(std::vector<std::string>{"421 partial"}, Replies());
    EXPECT_EQ(0, Connected());
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("Not connected", ErrorText());
}

// Replies stay in step with commands, whatever cut a reply wait short.
class RepliesInStep : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Server("DORVIK_FAKE_PORT", "plain", "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    }
    // Every command from here on reads its own answer, and only that.
    void ExpectOwnReplies()
    {
        struct Row {
            const char* command;
            long code;
            const char* text;
        } rows[] = {{"NOOP", 200, "200 ok"}, {"PWD", 257, "257 \"/home\" is current"}, {"SYST", 215, "215 UNIX Type: L8"}};
        for (const Row& row : rows) {
            SCOPED_TRACE(row.command);
            EXPECT_EQ(S_OK, ctl->Quote(Arg(row.command))) << ErrorText();
            EXPECT_EQ(row.code, LastCode());
            EXPECT_EQ(row.text, LastText());
        }
    }
};

TEST_F(RepliesInStep, AnAbortWithNothingRunningCutsNothingShort)
{
    EXPECT_EQ(S_OK, ctl->Abort());
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->DeleteFile(Arg("gone")));
    EXPECT_EQ("Failure - 550 gone: no such file", ErrorText());
    EXPECT_EQ(550, LastCode());
    EXPECT_EQ(0, Busy());
    ExpectOwnReplies();
}

TEST_F(RepliesInStep, AnAnswerThatCameLateIsTakenBeforeTheNextCommand)
{
    struct Case {
        const char* name;
        const char* command;
        const char* late;
        long timeout;
        bool abortAtStart;
        HRESULT result;
    } cases[] = {
        // An Abort from the handler of the command's own first state notice stops its wait.
        {"abort", "SLOW", "200 slow", 10, true, S_OK},
        // The time-out ends the wait, and the command fails; the answer arrives after it.
        {"time-out", "LATE", "200 late", 1, false, DISP_E_EXCEPTION},
    };
    IDorvikFTPCtrl* c = ctl;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        bool aborted = false;
        sink.hook = [&](const RecordedEvent& e) {
            if (k.abortAtStart && !aborted && e.id == 2 && e.numbers.at(0) == DFTP_STATE_PROCESSING) {
                aborted = true;
                c->Abort();
            }
        };
        ctl->put_Timeout(k.timeout);
        EXPECT_EQ(k.result, ctl->Quote(Arg(k.command)));
        EXPECT_NE(k.late, LastText());
        EXPECT_EQ(0, Busy());
        sink.hook = nullptr;
        ctl->put_Timeout(10);
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP"))) << ErrorText();
        EXPECT_EQ((std::vector<std::string>{k.late, "200 ok"}), Replies());
        EXPECT_EQ("200 ok", LastText());
    }
    ExpectOwnReplies();
}

TEST_F(RepliesInStep, AReplyWhoseHandlerOutlastsTheTimeOutIsStillItsCommandsAnswer)
{
    // The line was taken (and reported) in time; only its judging came too late, so the wait
    // counts as timed out, but the answer is not left owed to the next command.
    ctl->put_Timeout(1);
    bool slept = false;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 3 && !slept) {
            slept = true;
            Sleep(2200);
        }
    };
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("Timeout", ErrorText());
    EXPECT_TRUE(slept);
    sink.hook = nullptr;
    ctl->put_Timeout(10);
    ExpectOwnReplies();
}

TEST_F(EngineTest, AGreetingStillArrivingAtTheTimeOutIsNotTakenForTheLoginsAnswer)
{
    // "220-Hello" comes at once, "220 ready" 2.5 s later, after the greeting's wait gave up.
    Server("DORVIK_FAKESLOWGREETING_PORT", "plain", "x");
    ctl->put_Timeout(1);
    HRESULT hr = ctl->Connect();
    ctl->put_Timeout(10);
    if (hr == S_OK) {
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ("200 ok", LastText());
    } else {
        // Gave up on the greeting: said so, and nothing of it passed for USER's or PASS's answer.
        EXPECT_NE(std::string::npos, ErrorText().find("earlier command")) << ErrorText();
        EXPECT_EQ(0, Connected());
    }
    ctl->put_Timeout(3);
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ("257 \"/home\" is current", LastText());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

// A Quote whose own answer does not come in time fails and stores no answer. When that answer has
// still not come by the end of the next command's wait, the connection is out of step for good: it
// is closed, and the host may connect again.
TEST_F(RepliesInStep, AnAnswerThatNeverComesEndsTheConnectionAtTheNextCommand)
{
    ctl->put_Timeout(1);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOREPLY")));
    EXPECT_EQ("Timeout", ErrorText());
    EXPECT_EQ(0, LastCode());
    EXPECT_EQ(1, Connected());
    sink.events.clear();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("The server has not answered an earlier command; nothing was sent.", ErrorText());
    EXPECT_EQ(0, Connected());
    EXPECT_EQ(0, Busy());
    EXPECT_EQ((std::vector<long>{DFTP_STATE_PROCESSING, DFTP_STATE_NOTCONNECTED}), States());
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("Not connected", ErrorText());
    ctl->put_Timeout(10);
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ("200 USER,PASS,PWD,NOREPLY", FakeHistory("LAST"));
    ExpectOwnReplies();
}

TEST_F(RepliesInStep, APartialLineDiesWithItsConnection)
{
    // The first byte of the answer has come when the Abort lands; the rest never belongs to anyone.
    {
        TimerCall abort(100, [this] { ctl->Abort(); });
        EXPECT_EQ(S_OK, ctl->Quote(Arg("SLOW")));
    }
    ASSERT_EQ(S_OK, ctl->Disconnect());
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    std::vector<std::string> replies = Replies();
    ASSERT_FALSE(replies.empty());
    EXPECT_EQ("220 fake ready", replies.front());
    ExpectOwnReplies();
}

TEST_F(RepliesInStep, CommandsOnAClosedConnectionSayNotConnected)
{
    ASSERT_EQ(DISP_E_EXCEPTION, ctl->DeleteFile(Arg("gone")));
    ASSERT_EQ(550, LastCode());
    ASSERT_EQ(S_OK, ctl->Disconnect());
    const std::string local = Env("DORVIK_LOCAL") + "\\closed-connection.bin";
    std::ofstream(local, std::ios::binary) << "local";
    long ret = 0;
    struct Row {
        const char* name;
        std::function<HRESULT()> call;
    } rows[] = {
        {"Quote", [&] { return ctl->Quote(Arg("DELE x")); }},
        {"Get", [&] { return ctl->Get(Arg("file"), Arg(local), 0); }},
        {"DeleteFile", [&] { return ctl->DeleteFile(Arg("x")); }},
        {"RenameFile", [&] { return ctl->RenameFile(Arg("x"), Arg("y")); }},
        {"Put", [&] { return ctl->Put(Arg(local), Arg("x"), 0); }},
        {"EnumFiles", [&] { return ctl->EnumFiles(Arg("")); }},
        {"CurrentWorkingDirectory", [&] { return ctl->put_CurrentWorkingDirectory(Arg("/x")); }},
        {"BeginGet", [&] { return ctl->BeginGet(Arg("file"), Arg(local), 0, &ret); }},
        {"BeginPut", [&] { return ctl->BeginPut(Arg(local), Arg("x"), 0); }},
        {"FileExists", [&] { return ctl->FileExists(Arg("x"), &ret); }},
        {"MPut", [&] { return ctl->MPut(Arg(local)); }},
        {"MGet", [&] { return ctl->MGet(Arg("*"), Arg(Env("DORVIK_LOCAL"))); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DISP_E_EXCEPTION, row.call());
        EXPECT_EQ("Not connected", ErrorText());
        EXPECT_EQ(0, LastCode());
        EXPECT_EQ(0, Busy());
    }
    std::string content;
    std::getline(std::ifstream(local, std::ios::binary), content);
    EXPECT_EQ("local", content);
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

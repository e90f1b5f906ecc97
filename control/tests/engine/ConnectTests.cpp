// Connect, login and Disconnect: the login answers, failures and their texts, the SOCKS4 proxy,
// and calls back into the control from event handlers.
#include "EngineTestSupport.h"

namespace {

class ConnectLogin : public EngineTest {};

struct LoginCase {
    const char* portVariable;
    const char* user;
    HRESULT result;
    std::vector<long> states;
    const char* errorEnd;  // the error text ends with this (nullptr: success)
    const char* history;   // what the server received, asked afterwards (nullptr: not asked)
};

TEST_F(ConnectLogin, LoginAnswersDecideAsTheyShould)
{
    const LoginCase cases[] = {
        {"DORVIK_FAKE_PORT", "plain", S_OK, {2, 1, 3, 8}, nullptr, "200 USER,PASS,PWD,HIST"},
        {"DORVIK_FAKE421_PORT", "plain", S_OK, {2, 1, 3, 8}, nullptr, "200 USER,PASS,PWD,HIST"},
        {"DORVIK_FAKE_PORT", "u230", S_OK, {2, 1, 3, 8}, nullptr, "200 USER,PASS,PWD,HIST"},
        {"DORVIK_FAKE_PORT", "p202", S_OK, {2, 1, 3, 8}, nullptr, nullptr},
        {"DORVIK_FAKE_PORT", "pwd550", S_OK, {2, 1, 3}, nullptr, nullptr},
        {"DORVIK_FAKE_PORT", "p503", DISP_E_EXCEPTION, {2, 1, 3, 0}, " 503 Bad sequence.", nullptr},
        {"DORVIK_FAKE_PORT", "u530", DISP_E_EXCEPTION, {2, 1, 3, 0}, " 530 Not allowed.", nullptr},
        {"DORVIK_FAKE_PORT", "close", DISP_E_EXCEPTION, {2, 1, 3, 0}, " 421 part", nullptr},
        {"DORVIK_CLOSER_PORT", "plain", DISP_E_EXCEPTION, {2, 1, 0}, nullptr, nullptr},
    };
    for (const LoginCase& c : cases) {
        SCOPED_TRACE(std::string(c.portVariable) + " " + c.user);
        sink.events.clear();
        Server(c.portVariable, c.user, "x");
        HRESULT hr = ctl->Connect();
        EXPECT_EQ(c.result, hr);
        EXPECT_EQ(c.states, States());
        EXPECT_EQ(0, Busy());
        if (hr == S_OK) {
            EXPECT_EQ(1, Connected());
            if (c.history) {
                EXPECT_EQ(c.history, FakeHistory());
            }
        } else {
            std::string text = ErrorText();
            EXPECT_EQ(0, text.find("Error "));
            if (c.errorEnd) {
                std::string end = c.errorEnd;
                EXPECT_EQ(end, text.substr(text.size() - std::min(text.size(), end.size()))) << text;
            }
            EXPECT_EQ(0, Connected());
        }
        ctl->Disconnect();
    }
}

TEST_F(ConnectLogin, CodelessGreetingStillLogsIn)
{
    Server("DORVIK_FAKECODELESS_PORT", "plain", "x");
    ctl->put_Timeout(1);
    EXPECT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ((std::vector<long>{2, 1, 3, 8}), States());
}

TEST_F(ConnectLogin, DoubledQuoteInTheDirectoryIsOneQuote)
{
    Server("DORVIK_FAKE_PORT", "quote", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ("/a \"q\" b", Cwd());
    EXPECT_EQ(257, LastCode());
}

TEST_F(ConnectLogin, NoGreetingTimesOut)
{
    Server("DORVIK_SILENT_PORT", "plain", "x");
    ctl->put_Timeout(1);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_EQ("Error 10060 Timeout! ", ErrorText());
    EXPECT_EQ((std::vector<long>{2, 0}), States());
    EXPECT_EQ(0, Connected());
}

TEST_F(ConnectLogin, RefusedConnectionIsReportedAtOnceWithItsCode)
{
    Server("DORVIK_CLOSED_PORT", "plain", "x");
    ctl->put_Timeout(30);
    DWORD started = GetTickCount();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_EQ("Error 10061  ", ErrorText());
    EXPECT_LT(GetTickCount() - started, 20000u);
    EXPECT_EQ((std::vector<long>{2, 0}), States());
}

// The detail of an earlier method's failure ("Timeout!") is not part of a later method's error.
TEST_F(ConnectLogin, EarlierDetailTextNeverAppearsInALaterError)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ctl->put_Timeout(1);
    ASSERT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("NOREPLY")));
    ASSERT_EQ("Timeout", ErrorText());
    ctl->put_Timeout(10);
    Server("DORVIK_FAKE_PORT", "u530", "x");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    std::string text = ErrorText();
    EXPECT_EQ(std::string::npos, text.find("Timeout!")) << text;
    EXPECT_NE(std::string::npos, text.find(" 530 Not allowed.")) << text;
}

TEST_F(ConnectLogin, DisconnectSaysByeAfterAFiveHundredQuit)
{
    Server("DORVIK_FAKE_PORT", "q500", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    sink.events.clear();
    EXPECT_EQ(S_OK, ctl->Disconnect());
    EXPECT_EQ((std::vector<std::string>{"500 Unknown command.", "221 Bye then."}), Replies());
    EXPECT_EQ(std::vector<long>{0}, States());
    EXPECT_EQ(0, Connected());

    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ("200 USER,PASS,PWD,QUIT,BYE", FakeHistory("LAST"));
}

TEST_F(ConnectLogin, DisconnectWithoutAConnectionOnlyReportsTheState)
{
    EXPECT_EQ(S_OK, ctl->Disconnect());
    EXPECT_EQ(std::vector<long>{0}, States());
    EXPECT_TRUE(Replies().empty());
}

TEST_F(ConnectLogin, SecondConnectClosesTheFirstConnection)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    // The first session ended without a QUIT: its socket was closed under it.
    EXPECT_EQ("200 USER,PASS,PWD,NOOP", FakeHistory("LAST"));
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

// --- SOCKS4 -------------------------------------------------------------------------------

class Socks4 : public EngineTest {};

TEST_F(Socks4, RequestBytesAreExact)
{
    struct Row {
        std::string userId;
        std::string greetingStart;
    } rows[] = {
        {"", "220 socks 9 040100157f00000100"},
        {"abc", "220 socks 12 040100157f00000161626300"},
        {std::string(300, 'u'), "220 socks 309 040100157f000001757575"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.userId.size());
        ctl->put_ProxyName(Arg("127.0.0.1"));
        ctl->put_ProxyPort(EnvPort("DORVIK_SOCKSREC_PORT"));
        ctl->put_ProxyUserID(Arg(row.userId));
        ctl->put_ServerPort(21);
        ctl->put_Username(Arg("plain"));
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        ASSERT_FALSE(Replies().empty());
        EXPECT_EQ(0, Replies()[0].find(row.greetingStart)) << Replies()[0];
        EXPECT_EQ((std::vector<long>{2, 1, 3, 8}), States());
        ctl->Disconnect();
    }
}

TEST_F(Socks4, DanteGrantsTheServerAndRefusesABlockedOne)
{
    ctl->put_ProxyName(Arg("127.0.0.1"));
    ctl->put_ProxyPort(EnvPort("DORVIK_SOCKS_PORT"));
    Server("DORVIK_PYFTPD_PORT");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ((std::vector<long>{2, 1, 3, 8}), States());
    EXPECT_EQ("/", Cwd());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());
    ctl->Disconnect();

    // The proxy's rules block this one port: it answers 91.
    sink.events.clear();
    Server("DORVIK_FAKE421_PORT", "plain", "x");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_EQ(0, ErrorText().find("Error "));
    EXPECT_EQ((std::vector<long>{2, 0}), States());
    EXPECT_EQ(0, Connected());
}

TEST_F(Socks4, SilentProxyObeysTimeoutAndAbort)
{
    ctl->put_ProxyName(Arg("127.0.0.1"));
    ctl->put_ProxyPort(EnvPort("DORVIK_SOCKSSILENT_PORT"));
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ctl->put_Timeout(1);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_EQ("Error 10060 Timeout! ", ErrorText());

    ctl->put_Timeout(60);
    DWORD started = GetTickCount();
    {
        IDorvikFTPCtrl* c = ctl;
        TimerCall abort(500, [c] { c->Abort(); });
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    }
    EXPECT_LT(GetTickCount() - started, 30000u);
    EXPECT_EQ("Error 10004  ", ErrorText());
}

TEST_F(Socks4, UnreachableProxyIsReportedAtOnce)
{
    ctl->put_ProxyName(Arg("127.0.0.1"));
    ctl->put_ProxyPort(EnvPort("DORVIK_CLOSED_PORT"));
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ctl->put_Timeout(30);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_EQ("Error 10061  ", ErrorText());
}

// --- calls from event handlers ------------------------------------------------------------

class Reentry : public EngineTest {};

TEST_F(Reentry, FtpMethodsAreRefusedAsBusyWhileConnectWaits)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    std::vector<HRESULT> results;
    std::vector<std::string> texts;
    long busy = 0;
    IDorvikFTPCtrl* c = ctl;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id != 3 || !results.empty())
            return;
        results.push_back(c->Quote(Arg("NOOP")));
        texts.push_back(ErrorText());
        results.push_back(c->Connect());
        texts.push_back(ErrorText());
        c->get_Busy(&busy);
    };
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ((std::vector<HRESULT>{DISP_E_EXCEPTION, DISP_E_EXCEPTION}), results);
    EXPECT_EQ((std::vector<std::string>{"Busy.", "Busy."}), texts);
    EXPECT_EQ(1, busy);
    EXPECT_EQ((std::vector<long>{2, 1, 3, 8}), States());
    sink.hook = nullptr;
    EXPECT_EQ("200 USER,PASS,PWD,HIST", FakeHistory());
}

TEST_F(Reentry, DisconnectFromAHandlerEndsTheRunningConnect)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    IDorvikFTPCtrl* c = ctl;
    bool done = false;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 2 && e.numbers.at(0) == 3 && !done) {
            done = true;
            c->Disconnect();
        }
    };
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Connect());
    EXPECT_EQ(0, Connected());
    EXPECT_EQ(0, Busy());
    std::vector<long> states = States();
    EXPECT_EQ((std::vector<long>{2, 1, 3, 0}), states);
    sink.hook = nullptr;
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

TEST_F(Reentry, DisconnectFromAReplyHandlerEndsTheRunningCommand)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    IDorvikFTPCtrl* c = ctl;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 3 && Narrow(e.texts.at(0)) == "211-status")
            c->Disconnect();
    };
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("MULTI")));
    EXPECT_EQ(0, Connected());
    EXPECT_EQ(0, Busy());
}

TEST_F(Reentry, HostMayReleaseTheControlFromAHandler)
{
    Server("DORVIK_FAKE_PORT", "plain", "x");
    IDorvikFTPCtrl* c = ctl;
    bool released = false;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 3 && !released) {
            released = true;
            point->Unadvise(cookie);
            point->Release();
            c->Release();
        }
    };
    ctl = nullptr;  // the fixture no longer owns it
    EXPECT_EQ(S_OK, c->Connect());
    EXPECT_TRUE(released);
    // The last reference went with the call's end: the library can unload.
    EXPECT_EQ(S_OK, canUnloadNow());
}

} // namespace

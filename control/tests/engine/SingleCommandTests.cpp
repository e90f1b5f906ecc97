// DELE, RNFR/RNTO, CWD with its join and the PWD override, and Quote, against real servers and
// against the scripted one for the answers real servers do not give.
#include "EngineTestSupport.h"
#include "RealServers.h"


namespace {

class RealServerCommands : public RealServerTest {};

TEST_P(RealServerCommands, LoginDirectoriesDeleteRenameQuote)
{
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ((std::vector<long>{2, 1, 3, 8}), States());
    EXPECT_EQ(1, Connected());
    if (std::string(GetParam().home) != "/") {
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home))) << ErrorText();
    }
    std::string home = Cwd();
    EXPECT_EQ(GetParam().home, home);

    CreateDirectoryA(Local("sub").c_str(), nullptr);
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("sub"))) << ErrorText();
    EXPECT_EQ(Home("sub"), Cwd());
    EXPECT_TRUE(States().empty());
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(".."))) << ErrorText();
    // Our join said sub/..; the server's answer to PWD is what stands.
    EXPECT_EQ(home, Cwd());
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(Home("sub")))) << ErrorText();
    EXPECT_EQ(Home("sub"), Cwd());
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->put_CurrentWorkingDirectory(Arg("missing")));
    EXPECT_EQ("CWD failed: " + LastText(), ErrorText());
    EXPECT_EQ(550, LastCode());
    EXPECT_EQ(Home("sub"), Cwd());
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(home))) << ErrorText();

    MakeFile("doomed.txt", "bye");
    sink.events.clear();
    EXPECT_EQ(S_OK, ctl->DeleteFile(Arg("doomed.txt"))) << ErrorText();
    EXPECT_EQ((std::vector<long>{7, 8}), States());
    EXPECT_FALSE(Exists(Local("doomed.txt")));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->DeleteFile(Arg("doomed.txt")));
    EXPECT_EQ(0, ErrorText().find("Failure - 550"));

    MakeFile("old name.txt", "keep");
    sink.events.clear();
    EXPECT_EQ(S_OK, ctl->RenameFile(Arg("old name.txt"), Arg("new name.txt"))) << ErrorText();
    EXPECT_EQ((std::vector<long>{7, 8}), States());
    EXPECT_FALSE(Exists(Local("old name.txt")));
    EXPECT_TRUE(Exists(Local("new name.txt")));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->RenameFile(Arg("no such.txt"), Arg("x.txt")));
    EXPECT_EQ(0, ErrorText().find("Failure - 550"));
    EXPECT_EQ(0, Busy());

    sink.events.clear();
    EXPECT_EQ(S_OK, ctl->Quote(Arg("SYST")));
    EXPECT_EQ(215, LastCode());
    EXPECT_EQ((std::vector<long>{7, 8}), States());
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NONSENSE")));
    EXPECT_EQ(5, LastCode() / 100);

    sink.events.clear();
    EXPECT_EQ(S_OK, ctl->Disconnect());
    ASSERT_FALSE(Replies().empty());
    EXPECT_EQ(0, Replies()[0].find("221"));
    EXPECT_EQ(0, Connected());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerCommands,
                         ::testing::ValuesIn(RealServers(), RealServers() + kRealServerCount), RealServerName);

class ScriptedCommands : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Server("DORVIK_FAKE_PORT", "plain", "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    }
};

TEST_F(ScriptedCommands, RenameAcceptsOnlyPreliminaryAnswersToRnfr)
{
    struct Row {
        const char* from;
        const char* to;
        HRESULT result;
        const char* error;
        const char* sent;
    } rows[] = {
        {"a", "b", S_OK, "", "RNFR,RNTO"},
        {"r100", "b", DISP_E_EXCEPTION, "Failure - 100 odd", "RNFR"},
        {"r550", "b", DISP_E_EXCEPTION, "Failure - 550 No such file.", "RNFR"},
        {"a", "t553", DISP_E_EXCEPTION, "Failure - 553 Not allowed.", "RNFR,RNTO"},
    };
    std::string sent = "USER,PASS,PWD";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.from);
        sink.events.clear();
        EXPECT_EQ(row.result, ctl->RenameFile(Arg(row.from), Arg(row.to)));
        if (row.result != S_OK) {
            EXPECT_EQ(row.error, ErrorText());
        }
        EXPECT_EQ((std::vector<long>{7, 8}), States());
        sent += std::string(",") + row.sent;
    }
    EXPECT_EQ("200 " + sent + ",HIST", FakeHistory());
}

TEST_F(ScriptedCommands, DirectoryChangesJoinAndOnlyTwoFiftyCounts)
{
    EXPECT_EQ("/home", Cwd());
    // The scripted server always answers PWD with /home: its answer wins over the join.
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("sub")));
    EXPECT_EQ("/home", Cwd());
    // 200 is a success for the host, but no join and no PWD follow.
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("c200")));
    EXPECT_EQ("/home", Cwd());
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->put_CurrentWorkingDirectory(Arg("deny")));
    EXPECT_EQ("CWD failed: 550 No such directory.", ErrorText());
    EXPECT_EQ("200 USER,PASS,PWD,CWD,PWD,CWD,CWD,HIST", FakeHistory());
}

TEST_F(ScriptedCommands, WithoutAPwdAnswerTheJoinStands)
{
    ctl->Disconnect();
    Server("DORVIK_FAKE_PORT", "join", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ("/pub", Cwd());
    const char* steps[][2] = {{"sub", "/pub/sub"}, {"..", "/pub/sub/.."}, {"/data", "/data"}, {"x", "/data/x"}};
    for (auto& step : steps) {
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(step[0])));
        EXPECT_EQ(step[1], Cwd());
    }
}

TEST_F(ScriptedCommands, DeleteReportsTheServersRefusal)
{
    EXPECT_EQ(S_OK, ctl->DeleteFile(Arg("there")));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->DeleteFile(Arg("gone")));
    EXPECT_EQ("Failure - 550 gone: no such file", ErrorText());
}

} // namespace

// MPut and MGet: folder trees both ways against the real servers, and the names, refusals and
// aborts of the scripted server.
#include <fstream>

#include "EngineTestSupport.h"
#include "RealServers.h"

namespace {

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// a.txt, b.dat, sub\c.txt, sub\deeper\d.txt under folder.
void MakeTree(const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub\\deeper").c_str(), nullptr);
    std::ofstream(folder + "\\a.txt", std::ios::binary) << "alpha";
    std::ofstream(folder + "\\b.dat", std::ios::binary) << std::string(300000, 'b');
    std::ofstream(folder + "\\sub\\c.txt", std::ios::binary) << "charlie";
    std::ofstream(folder + "\\sub\\deeper\\d.txt", std::ios::binary) << "delta";
}

void ExpectTree(const std::string& folder)
{
    EXPECT_EQ("alpha", ReadFileText(folder + "\\a.txt")) << folder;
    EXPECT_EQ(300000u, ReadFileText(folder + "\\b.dat").size()) << folder;
    EXPECT_EQ("charlie", ReadFileText(folder + "\\sub\\c.txt")) << folder;
    EXPECT_EQ("delta", ReadFileText(folder + "\\sub\\deeper\\d.txt")) << folder;
}

class RealServerTrees : public RealServerTest {
protected:
    std::string local;
    void SetUp() override
    {
        RealServerTest::SetUp();
        if (IsSkipped())
            return;
        local = Env("DORVIK_LOCAL") + "\\trees-" + GetParam().name;
        CreateDirectoryA(local.c_str(), nullptr);
        MakeTree(local + "\\tree");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home))) << ErrorText();
    }
};

TEST_P(RealServerTrees, FolderTreeUpAndDownAgain)
{
    const std::string home = Cwd();
    ASSERT_EQ(S_OK, ctl->MPut(Arg(local + "\\tree"))) << ErrorText();
    ExpectTree(Local("tree"));
    EXPECT_EQ(home, Cwd());

    // A trailing separator changes nothing; a missing entry is passed over.
    ASSERT_EQ(S_OK, ctl->Quote(Arg("MKD again")));
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("again"))) << ErrorText();
    ASSERT_EQ(S_OK, ctl->MPut(Arg(local + "\\no-such-file;" + local + "\\tree\\"))) << ErrorText();
    ExpectTree(Local("again\\tree"));
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(home))) << ErrorText();

    // Down: every entry of the list applies again in each sub-folder.
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("tree"))) << ErrorText();
    const std::string target = local + "\\down";
    CreateDirectoryA(target.c_str(), nullptr);
    ASSERT_EQ(S_OK, ctl->MGet(Arg("."), Arg(target))) << ErrorText();
    ExpectTree(target);
    EXPECT_EQ(Home("tree"), Cwd());
    EXPECT_EQ(0, Busy());
}

TEST_P(RealServerTrees, FolderThatCannotBeMadeIsReported)
{
    // A plain file of that name stands where the folder should go.
    MakeTree(local + "\\blocked");
    MakeFile("blocked", "not a folder");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->MPut(Arg(local + "\\blocked")));
    EXPECT_EQ(0, ErrorText().find("MPut: the remote folder blocked could not be made or entered: 5"));
    EXPECT_EQ("not a folder", Content("blocked"));
    EXPECT_EQ(GetParam().home, Cwd());
}

TEST_P(RealServerTrees, MaskSelectsFilesAndFolders)
{
    ASSERT_EQ(S_OK, ctl->Quote(Arg("MKD masked")));
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("masked"))) << ErrorText();
    ASSERT_EQ(S_OK, ctl->MPut(Arg(local + "/tree/*.txt"))) << ErrorText();
    EXPECT_EQ("alpha", ReadFileText(Local("masked\\a.txt")));
    EXPECT_FALSE(PathExists(Local("masked\\b.dat")));
    EXPECT_FALSE(PathExists(Local("masked\\sub")));
}

TEST_P(RealServerTrees, RelativeLocalFolderHoldsAtEveryDepth)
{
    ASSERT_EQ(S_OK, ctl->MPut(Arg(local + "\\tree"))) << ErrorText();
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("tree"))) << ErrorText();
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(local.c_str());
    CreateDirectoryA("relative", nullptr);
    HRESULT hr = ctl->MGet(Arg("."), Arg("relative"));
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    SetCurrentDirectoryA(before);
    ASSERT_EQ(S_OK, hr) << ErrorText();
    ExpectTree(local + "\\relative");
    EXPECT_EQ(local, std::string(after));
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTrees,
                         ::testing::ValuesIn(RealServers(), RealServers() + kRealServerCount), RealServerName);

class ScriptedTrees : public EngineTest {
protected:
    std::string folder;
    void Login(const char* user)
    {
        Server("DORVIK_FAKE_PORT", user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        std::string base = Env("DORVIK_LOCAL") + "\\scripted-trees";
        CreateDirectoryA(base.c_str(), nullptr);
        folder = base + "\\" + user;
        CreateDirectoryA(folder.c_str(), nullptr);
        sink.events.clear();
    }
};

TEST_F(ScriptedTrees, HostileNamesAndLinksAreNeverWritten)
{
    Login("hostile");
    ASSERT_EQ(S_OK, ctl->MGet(Arg("*"), Arg(folder))) << ErrorText();
    EXPECT_EQ(1000u, ReadFileText(folder + "\\ok.txt").size());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    std::vector<std::string> names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{".", "..", "ok.txt"}), names);
    EXPECT_FALSE(PathExists(Env("DORVIK_LOCAL") + "\\scripted-trees\\evil.txt"));
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,LIST,TYPE,PASV,RETR,HIST", FakeHistory());
}

// A folder that cannot be entered on the server, or made here, is skipped, but MGet fails naming it:
// its files did not come.
TEST_F(ScriptedTrees, FolderThatCannotBeEnteredOrMadeFailsMGet)
{
    Login("denytree");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->MGet(Arg("*"), Arg(folder)));
    EXPECT_EQ("MGet: the remote folder deny could not be entered: 550 No such directory.", ErrorText());
    EXPECT_EQ(1000u, ReadFileText(folder + "\\ok.txt").size());
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,LIST,TYPE,PASV,RETR,CWD,HIST", FakeHistory());

    // A file where the folder should go.
    RemoveDirectoryA((folder + "\\deny").c_str());
    std::ofstream(folder + "\\deny", std::ios::binary) << "in the way";
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->MGet(Arg("*"), Arg(folder)));
    const std::string text = ErrorText();
    EXPECT_EQ(0u, text.find("MGet: the local folder ")) << text;
    EXPECT_NE(std::string::npos, text.find("deny could not be made")) << text;
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,LIST,TYPE,PASV,RETR,CWD,HIST,TYPE,PASV,LIST,TYPE,PASV,RETR,HIST",
              FakeHistory());
    DeleteFileA((folder + "\\deny").c_str());
}

TEST_F(ScriptedTrees, AbortDuringAListingEndsMGet)
{
    Login("stall");
    IDorvikFTPCtrl* c = ctl;
    {
        TimerCall abort(500, [c] { c->Abort(); });
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->MGet(Arg("*"), Arg(folder)));
    }
    EXPECT_EQ("Aborted", ErrorText());
    EXPECT_EQ(0, Busy());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

TEST_F(ScriptedTrees, EveryListingRunsBusyAndTheListEndsAtAnEmptyEntry)
{
    Login("plain");
    IDorvikFTPCtrl* c = ctl;
    std::vector<std::string> texts;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 2 && e.numbers.at(0) == 4) {
            c->Quote(Arg("NOOP"));
            texts.push_back(ErrorText());
        }
    };
    ASSERT_EQ(S_OK, ctl->MGet(Arg("one;two;;three"), Arg(folder))) << ErrorText();
    EXPECT_EQ((std::vector<std::string>{"Busy.", "Busy."}), texts);
    sink.hook = nullptr;
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,LIST,TYPE,PASV,LIST,HIST", FakeHistory());
    EXPECT_EQ(S_OK, ctl->MGet(Arg(""), Arg(folder)));
    EXPECT_EQ(S_OK, ctl->MGet(Arg(";one"), Arg(folder)));
    EXPECT_EQ(S_OK, ctl->MPut(Arg("")));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->MGet(Arg("one"), Arg("")));
    EXPECT_EQ("MGet: no local folder given.", ErrorText());
}

// One result across all entries: a refused STOR stays the result through an entry that matches
// nothing, and keeps a later entry's folders from being entered.
TEST_F(ScriptedTrees, MPutKeepsOneResultAcrossEntries)
{
    const std::string local = Env("DORVIK_LOCAL") + "\\mput-result";
    MakeTree(local);
    struct Case {
        const char* user;
        std::string list;
        HRESULT result;
        const char* history;
    };
    const Case cases[] = {
        {"stor550", local + "\\a.txt;" + local + "\\nomatch", DISP_E_EXCEPTION, "200 USER,PASS,PWD,TYPE,PASV,STOR,HIST"},
        {"stor550", local + "\\a.txt;" + local + "\\sub", DISP_E_EXCEPTION, "200 USER,PASS,PWD,TYPE,PASV,STOR,HIST"},
        {"plain", local + "\\a.txt;" + local + "\\nomatch", S_OK, "200 USER,PASS,PWD,TYPE,PASV,STOR,HIST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.list);
        ctl->Disconnect();
        Server("DORVIK_TRUTH_PORT", c.user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        EXPECT_EQ(c.result, ctl->MPut(Arg(c.list)));
        if (FAILED(c.result)) {
            const std::string text = ErrorText();
            EXPECT_NE(std::string::npos, text.find("550 Permission denied.")) << text;
        }
        EXPECT_EQ(c.history, FakeHistory());
    }
}

// MGet keys the folders it has been in on the paths it builds itself: a CWD answered with 200 and
// PWD replies without quotes leave the server's idea of the directory behind, and must not make an
// unvisited folder look visited.
TEST_F(ScriptedTrees, MGetEntersEveryFolderWhateverCwdAndPwdSay)
{
    Login("plain");
    ctl->Disconnect();
    Server("DORVIK_TRUTH_PORT", "lagtree", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ASSERT_EQ(S_OK, ctl->MGet(Arg("*"), Arg(folder))) << ErrorText();
    EXPECT_EQ(1000u, ReadFileText(folder + "\\top.txt").size());
    EXPECT_EQ(1000u, ReadFileText(folder + "\\c200\\in200.txt").size());
    EXPECT_EQ(1000u, ReadFileText(folder + "\\sub\\insub.txt").size());
}

// Nothing of a listing cut short is fetched, and MGet fails with the server's reply.
TEST_F(ScriptedTrees, CutListingEndsMGetWithoutFetchingFromIt)
{
    Login("plain");
    ctl->Disconnect();
    Server("DORVIK_TRUTH_PORT", "resetlist", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->MGet(Arg("*"), Arg(folder)));
    EXPECT_EQ("Failure! - 426 Connection reset mid-listing.", ErrorText());
    EXPECT_FALSE(PathExists(folder + "\\one.txt"));
    EXPECT_EQ(0, Busy());
    EXPECT_EQ(std::string::npos, FakeHistory().find("RETR"));
}

} // namespace

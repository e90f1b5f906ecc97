// EnumFiles, FileListing and FileExists against the real servers' own listings and against
// scripted listings of the kinds real servers here do not send.
#include "EngineTestSupport.h"
#include "RealServers.h"

#include <map>

namespace {

struct Entry {
    std::string name;
    double size;
    std::string user;
    std::string group;
    double date;
    std::string flags;
};

// EnumFile's arguments arrive last first: flags, date, group, user, size, name.
std::vector<Entry> EnumFileEvents(const HookSink& sink)
{
    std::vector<Entry> out;
    for (const RecordedEvent& e : sink.events) {
        if (e.id != 5)
            continue;
        out.push_back({Narrow(e.texts.at(3)), e.numbers.at(1), Narrow(e.texts.at(2)), Narrow(e.texts.at(1)),
                       e.numbers.at(0), Narrow(e.texts.at(0))});
    }
    return out;
}

double OleDate(int year, int month, int day, int hour, int minute)
{
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    double date = 0;
    SystemTimeToVariantTime(&st, &date);
    return date;
}

class RealServerListings : public RealServerTest {
protected:
    void SetUp() override
    {
        RealServerTest::SetUp();
        if (IsSkipped())
            return;
        CreateDirectoryA(Local("listdir").c_str(), nullptr);
        CreateDirectoryA(Local("listdir\\d1").c_str(), nullptr);
        MakeFile("listdir\\a.txt", "12345");
        MakeFile("listdir\\with space.txt", "1234567890");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home))) << ErrorText();
    }
};

TEST_P(RealServerListings, EntriesEventsAndListingTextInBothModes)
{
    for (long passive : {1L, 0L}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ctl->put_PassiveMode(passive);
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->EnumFiles(Arg("listdir"))) << ErrorText();
        EXPECT_EQ((std::vector<long>{4, 8}), States());
        std::map<std::string, Entry> byName;
        for (const Entry& e : EnumFileEvents(sink))
            byName[e.name] = e;
        ASSERT_EQ(3u, byName.size());
        EXPECT_EQ(5, byName["a.txt"].size);
        EXPECT_EQ(10, byName["with space.txt"].size);
        EXPECT_EQ('-', byName["a.txt"].flags.at(0));
        EXPECT_EQ('d', byName["d1"].flags.at(0));
        EXPECT_GT(byName["a.txt"].date, OleDate(2020, 1, 1, 0, 0));

        std::string listing = Text(&IDorvikFTPCtrl::get_FileListing);
        EXPECT_NE(std::string::npos, listing.find("a.txt\t5\t"));
        EXPECT_TRUE(("\n" + listing).find("\nwith space.txt\t10\t") != std::string::npos) << listing;
        EXPECT_EQ(3, std::count(listing.begin(), listing.end(), '\n'));
        EXPECT_EQ(std::string::npos, listing.find('\r'));

        long found = -1;
        ASSERT_EQ(S_OK, ctl->FileExists(Arg("listdir/a.txt"), &found)) << ErrorText();
        EXPECT_EQ(1, found);
        HRESULT hr = ctl->FileExists(Arg("listdir/none.txt"), &found);
        // A server may refuse the LIST at once (5xx) or only in its final reply (4xx).
        const std::string text = ErrorText();
        if (hr == S_OK)
            EXPECT_EQ(0, found);
        else
            EXPECT_TRUE(text.find("Failure! - 5") == 0 || text.find("Failure! - 4") == 0) << text;
        EXPECT_EQ(0, Busy());
        // The listing stays until the next EnumFiles.
        EXPECT_EQ(listing, Text(&IDorvikFTPCtrl::get_FileListing));
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerListings,
                         ::testing::ValuesIn(RealServers(), RealServers() + kRealServerCount), RealServerName);

class ScriptedListings : public EngineTest {
protected:
    void Login(const char* user)
    {
        Server("DORVIK_FAKE_PORT", user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        sink.events.clear();
    }
    std::string Listing() { return Text(&IDorvikFTPCtrl::get_FileListing); }
};

TEST_F(ScriptedListings, WindowsServerDosLines)
{
    Login("win");
    ASSERT_EQ(S_OK, ctl->EnumFiles(nullptr)) << ErrorText();
    std::vector<Entry> entries = EnumFileEvents(sink);
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("Reports", entries[0].name);
    EXPECT_EQ(-1, entries[0].size);
    EXPECT_EQ("d", entries[0].flags);
    EXPECT_EQ("", entries[0].user);
    EXPECT_DOUBLE_EQ(OleDate(2003, 1, 31, 2, 30), entries[0].date);
    EXPECT_EQ("old file.txt", entries[1].name);
    EXPECT_EQ(1234, entries[1].size);
    EXPECT_EQ("", entries[1].flags);
    EXPECT_DOUBLE_EQ(OleDate(2049, 12, 5, 10, 0), entries[1].date);
    EXPECT_DOUBLE_EQ(OleDate(1950, 6, 15, 11, 59), entries[2].date);
    EXPECT_EQ("Reports\t-1\t\t\t01-31-03\td\nold file.txt\t1234\t\t\t12-05-49\t\nfifty.txt\t7\t\t\t06-15-50\t\n", Listing());
    EXPECT_EQ("200 USER,PASS,PWD,SYST,TYPE,PASV,LIST,HIST", FakeHistory());
}

TEST_F(ScriptedListings, ShortUnixFormsBigSizesAndLinesThatFitNothing)
{
    Login("nolinks");
    ASSERT_EQ(S_OK, ctl->EnumFiles(Arg("*"))) << ErrorText();
    std::vector<Entry> entries = EnumFileEvents(sink);
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("nolinks.txt", entries[0].name);
    EXPECT_EQ("owner", entries[0].user);
    EXPECT_EQ("staff", entries[0].group);
    EXPECT_EQ(77, entries[0].size);
    EXPECT_DOUBLE_EQ(OleDate(2020, 1, 2, 0, 0), entries[0].date);
    EXPECT_EQ("grouponly.txt", entries[1].name);
    EXPECT_EQ("staff", entries[1].user);
    EXPECT_EQ("staff", entries[1].group);
    EXPECT_EQ("big.iso", entries[2].name);
    EXPECT_EQ(3000000000.0, entries[2].size);
    EXPECT_NE(std::string::npos, Listing().find("big.iso\t3000000000\towner\tstaff\t"));
}

TEST_F(ScriptedListings, LinesEndedByLineFeedAloneGiveNothing)
{
    Login("lfonly");
    ASSERT_EQ(S_OK, ctl->EnumFiles(nullptr)) << ErrorText();
    EXPECT_TRUE(EnumFileEvents(sink).empty());
    EXPECT_EQ("", Listing());
    long found = -1;
    ASSERT_EQ(S_OK, ctl->FileExists(Arg("a.txt"), &found)) << ErrorText();
    EXPECT_EQ(0, found);
}

TEST_F(ScriptedListings, AbortEndsAStalledListingWithWhatCame)
{
    Login("stall");
    IDorvikFTPCtrl* c = ctl;
    {
        TimerCall abort(500, [c] { c->Abort(); });
        ASSERT_EQ(S_OK, ctl->EnumFiles(nullptr)) << ErrorText();
    }
    std::vector<Entry> entries = EnumFileEvents(sink);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("first.txt", entries[0].name);
    EXPECT_EQ((std::vector<long>{4, 8}), States());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

TEST_F(ScriptedListings, BusyAndRefusedArguments)
{
    Login("plain");
    long found = 5;
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->FileExists(Arg("a\r\nDELE b"), &found));
    EXPECT_EQ(0, found);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->EnumFiles(Arg("a\nb")));
    IDorvikFTPCtrl* c = ctl;
    std::vector<std::string> texts;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 2 && e.numbers.at(0) == 4) {
            long n = 7;
            c->FileExists(Arg("x"), &n);
            texts.push_back(ErrorText() + (n == 0 ? " 0" : " ?"));
        }
    };
    ASSERT_EQ(S_OK, ctl->EnumFiles(nullptr));
    EXPECT_EQ(std::vector<std::string>{"Busy. 0"}, texts);
    sink.hook = nullptr;
    EXPECT_EQ("200 USER,PASS,PWD,SYST,TYPE,PASV,LIST,HIST", FakeHistory());
}

TEST_F(ScriptedListings, ListingThroughTheSocksProxy)
{
    ctl->put_ProxyName(Arg("127.0.0.1"));
    ctl->put_ProxyPort(EnvPort("DORVIK_SOCKS_PORT"));
    Login("win");
    ASSERT_EQ(S_OK, ctl->EnumFiles(nullptr)) << ErrorText();
    EXPECT_EQ(3u, EnumFileEvents(sink).size());
}

// A listing that did not end with the server's clean close and a 2xx reply is not the directory:
// EnumFiles and FileExists fail (FileExists does not answer "not there"), and the control
// connection stays in step.
TEST_F(ScriptedListings, CutListingsFail)
{
    struct Case {
        const char* user;
        long passive;
        long timeout;
        bool enumFilesToo;  // the active-mode case waits 10 s per call: FileExists alone shows it
        const char* text;
    };
    const Case cases[] = {
        {"resetlist", 1, 10, true, "Failure! - 426 Connection reset mid-listing."},
        {"list451", 1, 10, true, "Failure! - 451 Listing incomplete."},
        {"stall", 1, 1, true, "Timeout!"},
        {"nolistconn", 0, 10, false, "Failure! - 426 Transfer aborted."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        ctl->Disconnect();
        ctl->put_PassiveMode(c.passive);
        ctl->put_Timeout(c.timeout);
        Server("DORVIK_TRUTH_PORT", c.user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        if (c.enumFilesToo) {
            EXPECT_EQ(DISP_E_EXCEPTION, ctl->EnumFiles(nullptr));
            EXPECT_EQ(c.text, ErrorText());
            EXPECT_EQ(0, Busy());
        }
        long found = -1;
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->FileExists(Arg("one.txt"), &found));
        EXPECT_EQ(c.text, ErrorText());
        EXPECT_EQ(0, found);
        EXPECT_EQ(0, Busy());
        ctl->put_Timeout(10);
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ("200 ok", LastText());
    }
}

} // namespace

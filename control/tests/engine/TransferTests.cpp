// Get and Put: whole files and resumed ones, byte for byte, passive and active, against the
// real servers; refusals, stalls, aborts and local failures against the scripted one.
#include "EngineTestSupport.h"
#include "RealServers.h"

namespace {

std::string PseudoRandom(size_t size, unsigned seed)
{
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string LocalDir(const std::string& name)
{
    std::string dir = Env("DORVIK_LOCAL") + "\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// The byte counts of TransferProgress, and TransferComplete's (or -1).
struct TransferEvents {
    std::vector<long> progress;
    long starting = -1;
    long complete = -1;
};

class TransferFixture {
public:
    static TransferEvents Of(const HookSink& sink)
    {
        TransferEvents t;
        for (const RecordedEvent& e : sink.events) {
            if (e.id == 4)
                t.progress.push_back(static_cast<long>(e.numbers.at(0)));
            else if (e.id == 6)
                t.starting = static_cast<long>(e.numbers.at(0));
            else if (e.id == 7)
                t.complete = static_cast<long>(e.numbers.at(0));
        }
        return t;
    }
};

class RealServerTransfers : public RealServerTest {
protected:
    void SetUp() override
    {
        RealServerTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home))) << ErrorText();
    }
};

TEST_P(RealServerTransfers, WholeAndResumedFilesArriveByteForByte)
{
    const std::string content = PseudoRandom(3 * 1024 * 1024 + 12345, 7);
    const long size = static_cast<long>(content.size());
    const std::string dir = LocalDir(std::string("whole-") + GetParam().name);
    for (long passive : {1L, 0L}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ctl->put_PassiveMode(passive);
        const std::string remote = passive ? "src-p.bin" : "src-a.bin";
        MakeFile(remote, content);

        // Download, then the same file resumed from a local prefix.
        std::string local = dir + "\\" + remote;
        WriteAll(local, "stale content that is longer than nothing");
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->Get(Arg(remote), Arg(local), 0)) << ErrorText();
        EXPECT_TRUE(ReadAll(local) == content);
        TransferEvents t = TransferFixture::Of(sink);
        EXPECT_EQ(0, t.starting);
        ASSERT_FALSE(t.progress.empty());
        EXPECT_EQ(size, t.progress.back());
        EXPECT_EQ(size, t.complete);
        EXPECT_EQ((std::vector<long>{5, 8}), States());
        EXPECT_EQ(0, Busy());

        const long offset = 1000000;
        WriteAll(local, content.substr(0, offset));
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->Get(Arg(remote), Arg(local), offset)) << ErrorText();
        EXPECT_TRUE(ReadAll(local) == content);
        t = TransferFixture::Of(sink);
        EXPECT_EQ(offset, t.starting);
        EXPECT_EQ(size, t.complete);

        // Upload under another name, then resumed onto a remote prefix.
        const std::string up = passive ? "up-p.bin" : "up-a.bin";
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->Put(Arg(local), Arg(up), 0)) << ErrorText();
        EXPECT_TRUE(Content(up) == content);
        t = TransferFixture::Of(sink);
        EXPECT_EQ(0, t.starting);
        EXPECT_EQ(size, t.complete);
        ASSERT_EQ(static_cast<size_t>((size + 102399) / 102400), t.progress.size());
        for (size_t i = 0; i + 1 < t.progress.size(); ++i)
            EXPECT_EQ(static_cast<long>((i + 1) * 102400), t.progress[i]);
        EXPECT_EQ(size, t.progress.back());
        EXPECT_EQ((std::vector<long>{6, 8}), States());

        MakeFile(up, content.substr(0, offset));
        sink.events.clear();
        ASSERT_EQ(S_OK, ctl->Put(Arg(local), Arg(up), offset)) << ErrorText();
        EXPECT_TRUE(Content(up) == content);
        t = TransferFixture::Of(sink);
        EXPECT_EQ(offset, t.starting);
        EXPECT_EQ(size, t.complete);
        EXPECT_EQ(offset + 102400, t.progress.front());
    }
}

TEST_P(RealServerTransfers, FailuresLeaveTheConnectionInStep)
{
    const std::string dir = LocalDir(std::string("fail-") + GetParam().name);
    // A missing remote file: no data phase at all.
    sink.events.clear();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("missing.bin"), Arg(dir + "\\missing.bin"), 0));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_EQ((std::vector<long>{5, 8}), States());
    EXPECT_EQ(-1, TransferFixture::Of(sink).starting);
    EXPECT_FALSE(Exists(dir + "\\missing.bin"));

    // A resume without the local file: the transfer started, then stops.
    MakeFile("there.bin", "twelve bytes");
    sink.events.clear();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("there.bin"), Arg(dir + "\\absent.bin"), 4));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_EQ(4, TransferFixture::Of(sink).starting);
    EXPECT_EQ(-1, TransferFixture::Of(sink).complete);
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());

    // A missing local file never reaches the server's copy.
    MakeFile("keep.txt", "precious");
    sink.events.clear();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(dir + "\\no-such-file.txt"), Arg("keep.txt"), 0));
    EXPECT_EQ("Error opening local file. (code 2)", ErrorText());
    EXPECT_EQ("precious", Content("keep.txt"));
    EXPECT_EQ((std::vector<long>{6, 8}), States());

    // A local file that cannot take the bytes (the disk is full).
    MakeFile("big.bin", PseudoRandom(300000, 3));
    sink.events.clear();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("big.bin"), Arg("Z:\\dev\\full"), 0));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_EQ(-1, TransferFixture::Of(sink).complete);
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());

    // An empty file.
    MakeFile("empty.bin", "");
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Get(Arg("empty.bin"), Arg(dir + "\\empty.bin"), 0)) << ErrorText();
    TransferEvents t = TransferFixture::Of(sink);
    EXPECT_EQ(std::vector<long>{0}, t.progress);
    EXPECT_EQ(0, t.complete);
    EXPECT_TRUE(Exists(dir + "\\empty.bin"));
}

TEST_P(RealServerTransfers, AbortStopsTheTransferAndTheNextCommandGetsItsOwnReply)
{
    // The servers send 10 MiB a second: 30 MiB take long enough to be cut short.
    const std::string content = PseudoRandom(30 * 1024 * 1024, 11);
    MakeFile("slow.bin", content);
    const std::string dir = LocalDir(std::string("abort-") + GetParam().name);
    IDorvikFTPCtrl* c = ctl;
    {
        TimerCall abort(400, [c] { c->Abort(); });
        sink.events.clear();
        EXPECT_EQ(S_OK, ctl->Get(Arg("slow.bin"), Arg(dir + "\\slow.bin"), 0)) << ErrorText();
    }
    TransferEvents t = TransferFixture::Of(sink);
    EXPECT_GT(t.complete, 0);
    EXPECT_LT(t.complete, static_cast<long>(content.size()));
    EXPECT_EQ(static_cast<size_t>(t.complete), ReadAll(dir + "\\slow.bin").size());
    EXPECT_EQ(0, Busy());
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode()) << LastText();

    {
        TimerCall abort(400, [c] { c->Abort(); });
        sink.events.clear();
        // The server's own copy is whole: the aborted download above is not.
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(Local("slow.bin")), Arg("slow-up.bin"), 0));
    }
    // Reset, not closed: the server does not take the part for the whole file.
    EXPECT_EQ(0, ErrorText().find("Error: Aborted 4")) << ErrorText();
    t = TransferFixture::Of(sink);
    EXPECT_EQ(-1, t.complete);
    ASSERT_FALSE(t.progress.empty());
    EXPECT_LT(t.progress.back(), static_cast<long>(content.size()));
    EXPECT_EQ(0, Busy());
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode()) << ::testing::PrintToString(Replies());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTransfers,
                         ::testing::ValuesIn(RealServers(), RealServers() + kRealServerCount), RealServerName);

// --- the scripted server ------------------------------------------------------------------

class ScriptedTransfers : public EngineTest {
protected:
    std::string dir;
    void Login(const char* user)
    {
        Server("DORVIK_FAKE_PORT", user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        dir = LocalDir(std::string("scripted-") + user);
    }
};

TEST_F(ScriptedTransfers, RefusedRestStopsAResumeBeforeRetrOrStor)
{
    Login("norest");
    WriteAll(dir + "\\part.bin", "0123");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(dir + "\\part.bin"), 4));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_EQ("0123", ReadAll(dir + "\\part.bin"));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(dir + "\\part.bin"), Arg("file"), 2));
    // In the background too: what the file holds past the offset stays until the server takes RETR.
    WriteAll(dir + "\\longer.bin", "0123456789");
    long ret = 0;
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginGet(Arg("file"), Arg(dir + "\\longer.bin"), 4, &ret));
    EXPECT_EQ(-3, ret);
    EXPECT_EQ(0, Busy());
    EXPECT_EQ("0123456789", ReadAll(dir + "\\longer.bin"));
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,REST,TYPE,PASV,REST,TYPE,PASV,REST,HIST", FakeHistory());
}

TEST_F(ScriptedTransfers, NegativeOffsetsAreRefusedBeforeAnyCommand)
{
    Login("plain");
    WriteAll(dir + "\\x.bin", "x");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(dir + "\\x.bin"), -5));
    EXPECT_NE(std::string::npos, ErrorText().find("offset"));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(dir + "\\x.bin"), Arg("file"), -5));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("a\r\nDELE b"), Arg(dir + "\\x.bin"), 0));
    EXPECT_EQ("200 USER,PASS,PWD,HIST", FakeHistory());
}

TEST_F(ScriptedTransfers, TypeFollowsBinaryModeAndItsLowByteForPut)
{
    Login("plain");
    WriteAll(dir + "\\t.bin", "abc");
    ctl->put_BinaryMode(256);
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\t.bin"), 0)) << ErrorText();
    ASSERT_EQ(S_OK, ctl->Put(Arg(dir + "\\t.bin"), Arg("file"), 0)) << ErrorText();
    std::vector<std::string> types;
    for (const std::string& r : Replies())
        if (r.find("200 Type set") == 0)
            types.push_back(r);
    EXPECT_EQ((std::vector<std::string>{"200 Type set to I.", "200 Type set to A."}), types);
}

TEST_F(ScriptedTransfers, StalledDataTimesOutAndIsAborted)
{
    Login("stall");
    ctl->put_Timeout(1);
    sink.events.clear();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(dir + "\\stalled.bin"), 0));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_EQ(1000, TransferFixture::Of(sink).progress.back());
    ctl->put_Timeout(10);
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,RETR,ABOR,NOOP,HIST", FakeHistory());
}

TEST_F(ScriptedTransfers, AbortedGetIsCompleteForTheHost)
{
    Login("stall");
    IDorvikFTPCtrl* c = ctl;
    sink.events.clear();
    {
        TimerCall abort(500, [c] { c->Abort(); });
        EXPECT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\aborted.bin"), 0)) << ErrorText();
    }
    EXPECT_EQ(1000, TransferFixture::Of(sink).complete);
    EXPECT_EQ(1000u, ReadAll(dir + "\\aborted.bin").size());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

TEST_F(ScriptedTransfers, AbortFromAnEventHandlerEndsTheDownload)
{
    Login("stall");
    IDorvikFTPCtrl* c = ctl;
    sink.hook = [c](const RecordedEvent& e) {
        if (e.id == 4)
            c->Abort();
    };
    EXPECT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\handler.bin"), 0)) << ErrorText();
    sink.hook = nullptr;
    EXPECT_EQ(1000, TransferFixture::Of(sink).complete);
    EXPECT_EQ(0, Busy());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

TEST_F(ScriptedTransfers, MalformedPassiveReplyFailsBeforeTheTransferCommand)
{
    Login("badpasv");
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(dir + "\\bad.bin"), 0));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,HIST", FakeHistory());
}

TEST_F(ScriptedTransfers, ActivePeerThatNeverConnectsGivesUpAndStaysInStep)
{
    Login("noconnect");
    ctl->put_PassiveMode(0);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(dir + "\\never.bin"), 0));
    EXPECT_EQ("Get failed", ErrorText());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PORT,RETR,ABOR,NOOP,HIST", FakeHistory());
}

TEST_F(ScriptedTransfers, PortRefusedWithFiveHundredIsSentAgain)
{
    Login("port500");
    ctl->put_PassiveMode(0);
    ASSERT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\ported.bin"), 0)) << ErrorText();
    EXPECT_EQ(1000u, ReadAll(dir + "\\ported.bin").size());
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PORT,PORT,RETR,HIST", FakeHistory());
}

TEST_F(ScriptedTransfers, BusyWhileATransferRuns)
{
    Login("plain");
    IDorvikFTPCtrl* c = ctl;
    std::vector<HRESULT> results;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 6) {
            results.push_back(c->Quote(Arg("NOOP")));
            results.push_back(c->Get(Arg("file"), Arg("x"), 0));
        }
    };
    ASSERT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\busy.bin"), 0)) << ErrorText();
    EXPECT_EQ((std::vector<HRESULT>{DISP_E_EXCEPTION, DISP_E_EXCEPTION}), results);
    EXPECT_EQ(1000u, ReadAll(dir + "\\busy.bin").size());
}

// --- transfers that must not end as a success (the TRUTH peer) ----------------------------

// What the scripted peers send for every RETR, whatever the offset.
std::string ScriptedFile()
{
    std::string out;
    for (int i = 0; i < 100; ++i)
        out += "0123456789";
    return out;
}

class TruthfulTransfers : public EngineTest {
protected:
    std::string dir;
    void Login(const char* user)
    {
        Server("DORVIK_TRUTH_PORT", user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        dir = LocalDir(std::string("truth-") + user);
        sink.events.clear();
    }
    // A local name that does not exist, after a reply that has nothing to do with it.
    std::string MissingFileAfterAnUnrelatedReply()
    {
        Login("plain");
        EXPECT_EQ(S_OK, ctl->DeleteFile(Arg("unrelated")));
        return dir + "\\absent.txt";
    }
};

// A resumed download is the local file's first Offset bytes and then exactly what the server
// sends; nothing from before may stay behind it.
TEST_F(TruthfulTransfers, ResumeKeepsExactlyTheLocalPrefix)
{
    Login("plain");
    struct Case {
        const char* name;
        size_t before;  // bytes of the local file before the call
        long offset;
        bool succeeds;
    };
    const Case cases[] = {
        {"longer.bin", 5000, 1000, true},
        {"prefix.bin", 1000, 1000, true},
        {"shorter.bin", 500, 1000, false},  // no prefix to keep: refused, the file as it was
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string local = dir + "\\" + c.name;
        const std::string old(c.before, 'x');
        WriteAll(local, old);
        HRESULT hr = ctl->Get(Arg("file"), Arg(local), c.offset);
        if (c.succeeds) {
            EXPECT_EQ(S_OK, hr) << ErrorText();
            EXPECT_TRUE(ReadAll(local) == std::string(static_cast<size_t>(c.offset), 'x') + ScriptedFile());
        } else {
            EXPECT_EQ(DISP_E_EXCEPTION, hr);
            EXPECT_EQ("Get failed", ErrorText());
            EXPECT_TRUE(ReadAll(local) == old);
        }
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ("200 ok", LastText());
    }
}

// A background resume keeps the same exact prefix as Get.
TEST_F(TruthfulTransfers, BackgroundResumeKeepsExactlyTheLocalPrefix)
{
    Login("plain");
    const std::string local = dir + "\\background.bin";
    WriteAll(local, std::string(5000, 'x'));
    long ret = -1;
    ASSERT_EQ(S_OK, ctl->BeginGet(Arg("file"), Arg(local), 1000, &ret)) << ErrorText();
    PumpWhileBusy();
    EXPECT_EQ(0, Busy());
    EXPECT_TRUE(ReadAll(local) == std::string(1000, 'x') + ScriptedFile()) << ReadAll(local).size();
}

// A server that takes the data connection and then reads nothing: the upload must end by the
// time-out or by Abort, fail, and leave the control connection in step.
TEST_F(TruthfulTransfers, UploadToAServerThatStopsReadingEnds)
{
    Login("noread");
    const std::string local = dir + "\\big.bin";
    WriteAll(local, PseudoRandom(20 * 1024 * 1024, 5));
    IDorvikFTPCtrl* c = ctl;
    struct Case {
        const char* how;
        long timeout;
        UINT abortAfter;  // ms; 0: never
        const char* text;
    };
    const Case cases[] = {
        {"time-out", 2, 0, "Error: Timeout! 426 Transfer aborted."},
        {"abort", 60, 1500, "Error: Aborted 426 Transfer aborted."},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.how);
        ctl->put_Timeout(k.timeout);
        sink.events.clear();
        {
            TimerCall abort(k.abortAfter ? k.abortAfter : 600000, [c] { c->Abort(); });
            EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(local), Arg("big.bin"), 0));
        }
        EXPECT_EQ(k.text, ErrorText());
        EXPECT_EQ(-1, TransferFixture::Of(sink).complete);
        EXPECT_EQ((std::vector<long>{6, 8}), States());
        EXPECT_EQ(0, Busy());
        ctl->put_Timeout(10);
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ("200 ok", LastText()) << ::testing::PrintToString(Replies());
    }
}

TEST_F(TruthfulTransfers, AbortFromAProgressHandlerStopsAtThatPieceAndResetsTheData)
{
    Login("countstor");
    const std::string local = dir + "\\two-mb.bin";
    WriteAll(local, PseudoRandom(2 * 1024 * 1024, 9));
    IDorvikFTPCtrl* c = ctl;
    sink.hook = [c](const RecordedEvent& e) {
        if (e.id == 4)
            c->Abort();
    };
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(local), Arg("two-mb.bin"), 0));
    sink.hook = nullptr;
    // The peer answers 426 only when the data connection was reset rather than closed.
    EXPECT_EQ("Error: Aborted 426 Data connection reset; nothing kept.", ErrorText());
    TransferEvents t = TransferFixture::Of(sink);
    EXPECT_EQ(std::vector<long>{102400}, t.progress);
    EXPECT_EQ(-1, t.complete);
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());

    // Without the abort the same file goes out whole.
    sink.events.clear();
    ASSERT_EQ(S_OK, ctl->Put(Arg(local), Arg("two-mb.bin"), 0)) << ErrorText();
    EXPECT_EQ("226 Stored 2097152 bytes.", LastText());
    EXPECT_EQ(21u, TransferFixture::Of(sink).progress.size());
}

TEST_F(TruthfulTransfers, UnreadableLocalFileFailsTheUploadAndResetsTheData)
{
    Login("countstor");
    // Reading a process's memory at offset 0 fails: the read error comes mid-transfer.
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg("Z:\\proc\\self\\mem"), Arg("file"), 0));
    const std::string text = ErrorText();
    EXPECT_EQ(0, text.find("Error: Error reading local file.")) << text;
    EXPECT_NE(std::string::npos, text.find("426 Data connection reset; nothing kept.")) << text;
    EXPECT_EQ(-1, TransferFixture::Of(sink).complete);
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

// No command goes out for a file that cannot be read, so no earlier reply belongs in the text.
TEST_F(TruthfulTransfers, MissingLocalFileFailsWithTheLocalErrorOnly)
{
    const std::string absent = MissingFileAfterAnUnrelatedReply();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(absent), Arg("absent.txt"), 0));
    EXPECT_EQ("Error opening local file. (code 2)", ErrorText());
    EXPECT_EQ("200 USER,PASS,PWD,DELE,HIST", FakeHistory());
}

TEST_F(TruthfulTransfers, BackgroundUploadOfAMissingFileFailsWithTheLocalErrorOnly)
{
    const std::string absent = MissingFileAfterAnUnrelatedReply();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginPut(Arg(absent), Arg("absent.txt"), 0));
    EXPECT_EQ("Error opening local file. (code 2)", ErrorText());
    EXPECT_EQ(0, Busy());
}

// Abort of a download: the Telnet interrupt, then the synch (IAC DM, its IAC sent urgent),
// then ABOR, byte for byte as the peer received them.
TEST_F(TruthfulTransfers, AbortSendsInterruptSynchAndAbor)
{
    Login("rawabort");
    IDorvikFTPCtrl* c = ctl;
    {
        TimerCall abort(500, [c] { c->Abort(); });
        EXPECT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\aborted.bin"), 0)) << ErrorText();
    }
    ASSERT_EQ(S_OK, ctl->Quote(Arg("ABORBYTES")));
    EXPECT_EQ("200 fff4fff241424f520d0a", LastText());
    ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ("200 ok", LastText());
}

} // namespace

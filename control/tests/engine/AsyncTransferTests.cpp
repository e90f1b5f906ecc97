// BeginGet and BeginPut against the real servers: the host keeps pumping while the transfer
// runs in the background, and the transfer ends in the control's window.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "EngineTestSupport.h"
#include "RealServers.h"

namespace {

std::string Pattern(size_t size, unsigned seed)
{
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

struct AsyncEvents {
    std::vector<long> progress;
    std::vector<DWORD> progressTicks;
    long complete = -1;
    std::wstring completeLocal, completeRemote;
    long busyAtComplete = -1;
};

class AsyncTransfers : public RealServerTest {
protected:
    AsyncEvents seen;

    void SetUp() override
    {
        RealServerTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home))) << ErrorText();
        sink.hook = [this](const RecordedEvent& e) {
            if (e.id == 4) {
                seen.progress.push_back(static_cast<long>(e.numbers.at(0)));
                seen.progressTicks.push_back(GetTickCount());
            } else if (e.id == 7) {
                seen.complete = static_cast<long>(e.numbers.at(0));
                seen.completeRemote = e.texts.at(0);
                seen.completeLocal = e.texts.at(1);
                seen.busyAtComplete = Busy();
            }
        };
    }

    // The host's own message loop, until the transfer has ended (or the time is up).
    bool PumpUntilComplete(DWORD milliseconds = 60000)
    {
        DWORD until = GetTickCount() + milliseconds;
        while (seen.complete < 0 && GetTickCount() < until) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Sleep(1);
        }
        return seen.complete >= 0;
    }
    long BeginGet(const std::string& remote, const std::string& local, long offset, HRESULT expected = S_OK)
    {
        long ret = 99;
        EXPECT_EQ(expected, ctl->BeginGet(Arg(remote), Arg(local), offset, &ret)) << ErrorText();
        return ret;
    }
};

TEST_P(AsyncTransfers, DownloadRunsInTheBackgroundAndEndsInTheWindow)
{
    const std::string content = Pattern(3 * 1024 * 1024 + 5, 1);
    MakeFile("async-get.bin", content);
    EXPECT_EQ(0, BeginGet("async-get.bin", Local("async-got.bin"), 0));
    EXPECT_EQ(1, Busy());
    // Another FTP method waits its turn.
    long ret = 0;
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginGet(Arg("async-get.bin"), Arg(Local("other.bin")), 0, &ret));
    EXPECT_EQ(-1, ret);
    EXPECT_EQ("Busy.", ErrorText());

    ASSERT_TRUE(PumpUntilComplete());
    EXPECT_EQ(0, seen.busyAtComplete);
    EXPECT_EQ(static_cast<long>(content.size()), seen.complete);
    EXPECT_EQ(static_cast<long>(content.size()), seen.progress.back());
    EXPECT_EQ(Widen(Local("async-got.bin")), seen.completeLocal);
    EXPECT_EQ(L"async-get.bin", seen.completeRemote);
    EXPECT_TRUE(std::is_sorted(seen.progress.begin(), seen.progress.end()));
    EXPECT_EQ(content, Content("async-got.bin"));
    // The connection is in step for the next command.
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());
}

TEST_P(AsyncTransfers, ResumedDownloadReportsPositionsThatIncludeTheOffset)
{
    const std::string content = Pattern(1100, 2);
    MakeFile("async-resume.bin", content);
    MakeFile("async-resumed.bin", content.substr(0, 100));
    EXPECT_EQ(0, BeginGet("async-resume.bin", Local("async-resumed.bin"), 100));
    ASSERT_TRUE(PumpUntilComplete());
    EXPECT_EQ(1100, seen.complete);
    EXPECT_EQ(1100, seen.progress.back());
    EXPECT_EQ(content, Content("async-resumed.bin"));
}

TEST_P(AsyncTransfers, BandwidthLimitCapsEveryPiece)
{
    const struct { long limit; } rows[] = {{20000}, {0}, {-5}};
    const std::string content = Pattern(60000, 3);
    MakeFile("async-slow.bin", content);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.limit);
        seen = AsyncEvents();
        ctl->put_MaxBandwidth(row.limit);
        DWORD started = GetTickCount();
        EXPECT_EQ(0, BeginGet("async-slow.bin", Local("async-slow-got.bin"), 0));
        ASSERT_TRUE(PumpUntilComplete());
        EXPECT_EQ(content, Content("async-slow-got.bin"));
        // A report gives the position when the window takes it, which may cover several pieces:
        // positions only grow.
        for (size_t i = 1; i < seen.progress.size(); ++i)
            EXPECT_LE(seen.progress[i - 1], seen.progress[i]);
        // 60000 bytes at 20000 a second need at least two changes of the second.
        if (row.limit > 0) {
            EXPECT_GE(GetTickCount() - started, 2000u);
            // No calendar second carries more than the limit: between any two reports no more
            // arrived than the seconds they span (counted whole, plus the one begun) allow.
            for (size_t i = 0; i < seen.progress.size(); ++i)
                for (size_t j = i + 1; j < seen.progress.size(); ++j) {
                    long spanned = static_cast<long>((seen.progressTicks[j] - seen.progressTicks[i] + 999) / 1000) + 1;
                    EXPECT_LE(seen.progress[j] - seen.progress[i], row.limit * spanned);
                }
        }
    }
}

TEST_P(AsyncTransfers, DownloadRefusalsClearBusyAndSayWhy)
{
    long ret = BeginGet("async-get.bin", Local("no-such-local.bin"), 10, DISP_E_EXCEPTION);
    EXPECT_EQ(-2, ret);
    EXPECT_EQ("Error opening local file", ErrorText());
    EXPECT_EQ(0, Busy());

    ret = BeginGet("no-such-remote.bin", Local("async-missing.bin"), 0, DISP_E_EXCEPTION);
    EXPECT_EQ(-3, ret);
    EXPECT_EQ("Comunication error: " + LastText(), ErrorText());
    EXPECT_EQ('5', LastText()[0]);
    EXPECT_EQ(0, Busy());
    EXPECT_FALSE(Exists(Local("async-missing.bin")));   // made only once the server takes RETR
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());
}

TEST_P(AsyncTransfers, UploadsArriveByteForByteInPiecesOfTheWindow)
{
    for (size_t size : {size_t(0), size_t(1), size_t(32768), size_t(70000), size_t(2 * 1024 * 1024 + 3)}) {
        SCOPED_TRACE(size);
        seen = AsyncEvents();
        const std::string content = Pattern(size, static_cast<unsigned>(size));
        MakeFile("async-put-src.bin", content);
        ASSERT_EQ(S_OK, ctl->BeginPut(Arg(Local("async-put-src.bin")), Arg("async-put.bin"), 0)) << ErrorText();
        ASSERT_TRUE(PumpUntilComplete());
        EXPECT_EQ(0, seen.busyAtComplete);
        EXPECT_EQ(static_cast<long>(size), seen.complete);
        if (size == 70000) {
            EXPECT_EQ((std::vector<long>{32768, 65536, 70000, 70000}), seen.progress);
        }
        EXPECT_EQ(content, Content("async-put.bin"));
    }
    EXPECT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
    EXPECT_EQ(200, LastCode());
}

TEST_P(AsyncTransfers, LargeFileGoesUpAndComesBackByteForByte)
{
    if (std::string(GetParam().name) != "vsftpd")
        GTEST_SKIP() << "one server is enough for the large file";
    const std::string content = Pattern(64 * 1024 * 1024, 7);
    MakeFile("async-large-src.bin", content);
    ASSERT_EQ(S_OK, ctl->BeginPut(Arg(Local("async-large-src.bin")), Arg("async-large.bin"), 0)) << ErrorText();
    ASSERT_TRUE(PumpUntilComplete(120000));
    EXPECT_EQ(static_cast<long>(content.size()), seen.complete);
    seen = AsyncEvents();
    EXPECT_EQ(0, BeginGet("async-large.bin", Local("async-large-back.bin"), 0));
    ASSERT_TRUE(PumpUntilComplete(120000));
    EXPECT_EQ(static_cast<long>(content.size()), seen.complete);
    EXPECT_TRUE(content == Content("async-large-back.bin"));
}

TEST_P(AsyncTransfers, UploadOfAMissingFileSendsNothing)
{
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginPut(Arg(Local("no-such-upload.bin")), Arg("never.bin"), 0));
    EXPECT_EQ(0u, ErrorText().find("Error opening local file. (code 2)")) << ErrorText();
    EXPECT_EQ(0, Busy());
    EXPECT_EQ(DFTP_STATE_LOGGEDIN, States().back());
    EXPECT_FALSE(Exists(Local("never.bin")));
}

TEST_P(AsyncTransfers, AbortEndsEitherDirectionAndTheNextTransferIsClean)
{
    const std::string big = Pattern(24 * 1024 * 1024, 4);
    MakeFile("async-big.bin", big);
    const std::string small = Pattern(5000, 5);
    MakeFile("async-small.bin", small);
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "BeginPut" : "BeginGet");
        seen = AsyncEvents();
        if (upload) {
            ASSERT_EQ(S_OK, ctl->BeginPut(Arg(Local("async-big.bin")), Arg("async-big-up.bin"), 0));
        } else {
            EXPECT_EQ(0, BeginGet("async-big.bin", Local("async-big-down.bin"), 0));
        }
        DWORD until = GetTickCount() + 20000;
        while (seen.progress.empty() && GetTickCount() < until)
            PumpFor(10);
        ASSERT_FALSE(seen.progress.empty());
        EXPECT_EQ(S_OK, ctl->Abort());
        PumpFor(300);
        EXPECT_EQ(0, Busy());
        EXPECT_EQ(-1, seen.complete);   // an abort is never a completed transfer
        ASSERT_EQ(S_OK, ctl->Put(Arg(Local("async-small.bin")), Arg("async-after.bin"), 0)) << ErrorText();
        EXPECT_EQ(small, Content("async-after.bin"));
    }
}

// The host lets go of the control while a transfer runs: nothing may hang, crash or keep the file.
TEST_P(AsyncTransfers, ReleasingTheControlMidTransferIsSafe)
{
    const std::string big = Pattern(24 * 1024 * 1024, 6);
    MakeFile("async-release.bin", big);
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "BeginPut" : "BeginGet");
        seen = AsyncEvents();
        if (!ctl) {
            ctl = NewControl();
            IConnectionPointContainer* container = nullptr;
            ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
            container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point);
            container->Release();
            point->Advise(&sink, &cookie);
            ctl->put_ServerName(Arg("127.0.0.1"));
            Server(GetParam().portVariable, GetParam().user, GetParam().password);
            ASSERT_EQ(S_OK, ctl->Connect());
            ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home)));
        }
        const std::string local = Local(upload ? "async-release.bin" : "async-release-down.bin");
        if (upload) {
            ASSERT_EQ(S_OK, ctl->BeginPut(Arg(local), Arg("async-release-up.bin"), 0));
        } else {
            EXPECT_EQ(0, BeginGet("async-release.bin", local, 0));
        }
        DWORD until = GetTickCount() + 20000;
        while (seen.progress.empty() && GetTickCount() < until)
            PumpFor(10);
        point->Unadvise(cookie);
        point->Release();
        point = nullptr;
        ctl->Release();
        ctl = nullptr;
        PumpFor(200);
        // The file's handle went with the control: the file can be opened for writing, unshared.
        HANDLE h = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
    }
}

// The host's own timers and painting keep coming while an upload runs flat out: against our own
// built-in server nothing slows the upload down, so only the pacing of its pieces can let them in.
TEST_F(EngineTest, HostTimersRunDuringABackgroundUpload)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "dorvik-async-timer-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string source = root + "\\upload.bin";
    std::ofstream(source, std::ios::binary) << Pattern(16 * 1024 * 1024, 8);

    IDorvikFTPCtrl* server = NewControl();
    ASSERT_NE(nullptr, server);
    const long port = FreeLoopbackPort();
    ASSERT_EQ(S_OK, server->ServerAddUser(Arg("timer"), Arg("pw"), Arg(root), DFPERM_ALL));
    ASSERT_EQ(S_OK, server->StartServer(port));
    ctl->put_ServerPort(port);
    ctl->put_Username(Arg("timer"));
    ctl->put_Password(Arg("pw"));
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();

    bool completed = false, timerFirst = false, timerSeen = false;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 7)
            completed = true;
    };
    ASSERT_EQ(S_OK, ctl->BeginPut(Arg(source), Arg("uploaded.bin"), 0)) << ErrorText();
    UINT_PTR timer = SetTimer(nullptr, 0, 1, nullptr);
    DWORD until = GetTickCount() + 60000;
    MSG msg;
    while (!completed && GetTickCount() < until && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == timer && !timerSeen) {
            timerSeen = true;
            timerFirst = !completed;
            KillTimer(nullptr, timer);
            continue;
        }
        DispatchMessageA(&msg);
    }
    EXPECT_TRUE(completed);
    EXPECT_TRUE(timerFirst);
    ctl->Disconnect();
    server->StopServer();
    server->Release();
    DeleteFileA(source.c_str());
    DeleteFileA((root + "\\uploaded.bin").c_str());
    RemoveDirectoryA(root.c_str());
}

// A transfer whose data all came and whose connection closed cleanly still failed when the
// server's final answer says so: no TransferComplete, Busy clear, the answer reported.
TEST_F(EngineTest, BackgroundTransfersJudgeTheFinalReply)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string local = std::string(temp) + "dorvik-final-reply-" + std::to_string(GetCurrentProcessId());
    std::ofstream(local, std::ios::binary) << Pattern(70000, 9);
    struct Case {
        const char* user;
        bool upload;
        long code;
        const char* reply;
    } cases[] = {
        {"r451", false, 451, "451 Local error in processing."},
        {"s552", true, 552, "552 Quota exceeded."},
        {"plain", false, 226, "226 Transfer complete."},
        {"plain", true, 226, "226 Stored."},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.user) + (k.upload ? " BeginPut" : " BeginGet"));
        Server("DORVIK_FAKE_PORT", k.user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        sink.events.clear();
        if (k.upload) {
            ASSERT_EQ(S_OK, ctl->BeginPut(Arg(local), Arg("up.bin"), 0)) << ErrorText();
        } else {
            long ret = 99;
            ASSERT_EQ(S_OK, ctl->BeginGet(Arg("file.bin"), Arg(local), 0, &ret)) << ErrorText();
            ASSERT_EQ(0, ret);
        }
        PumpWhileBusy();
        // What the window still has queued is delivered before the outcome is judged.
        PumpFor(50);
        EXPECT_EQ(0, Busy());
        EXPECT_EQ(k.code, LastCode());
        std::vector<std::string> replies = Replies();
        ASSERT_FALSE(replies.empty());
        EXPECT_EQ(k.reply, replies.back());
        EXPECT_EQ(k.code == 226 ? 1u : 0u, EventsOf(7).size());
        // The next command gets its own answer.
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ("200 ok", LastText());
    }
    DeleteFileA(local.c_str());
}

// An Abort stops a background transfer at any moment: from the handler of TransferStarting
// (before the first byte), or while the end of the transfer waits for the server's final answer.
// Either way nothing is reported complete, Busy clears, and the next command gets its own answer.
TEST_F(EngineTest, BackgroundTransfersStopForAnAbortAtTheirEdges)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string local = std::string(temp) + "dorvik-abort-edge-" + std::to_string(GetCurrentProcessId());
    std::ofstream(local, std::ios::binary) << Pattern(70000, 10);
    struct Case {
        const char* name;
        const char* user;
        bool upload;
        bool inStarting;   // else: a timer while the final answer is awaited
    } cases[] = {
        {"BeginGet from TransferStarting", "plain", false, true},
        {"BeginPut from TransferStarting", "plain", true, true},
        {"BeginGet during the final answer", "late226", false, false},
    };
    IDorvikFTPCtrl* c = ctl;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Server("DORVIK_FAKE_PORT", k.user, "x");
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        sink.events.clear();
        sink.hook = [&](const RecordedEvent& e) {
            if (k.inStarting && e.id == 6)
                c->Abort();
        };
        if (k.upload) {
            ASSERT_EQ(S_OK, ctl->BeginPut(Arg(local), Arg("up.bin"), 0)) << ErrorText();
        } else {
            long ret = 99;
            ASSERT_EQ(S_OK, ctl->BeginGet(Arg("file.bin"), Arg(local + ".got"), 0, &ret)) << ErrorText();
            EXPECT_EQ(0, ret);
        }
        {
            // A timer with a callback: it fires from whichever loop pumps, the control's included.
            TimerCall abort(k.inStarting ? 600000 : 700, [c] { c->Abort(); });
            PumpWhileBusy();
        }
        PumpFor(200);
        sink.hook = nullptr;
        EXPECT_EQ(0, Busy());
        EXPECT_EQ(0u, EventsOf(7).size());
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP"))) << ErrorText();
        EXPECT_EQ("200 ok", LastText());
    }
    DeleteFileA(local.c_str());
    DeleteFileA((local + ".got").c_str());
}

INSTANTIATE_TEST_SUITE_P(Servers, AsyncTransfers, ::testing::ValuesIn(RealServers(), RealServers() + kRealServerCount),
                         RealServerName);

} // namespace

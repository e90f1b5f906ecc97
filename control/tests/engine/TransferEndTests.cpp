// How every transfer ends, against the scripted peer: only the server's final word makes a
// transfer a success, an Abort before the server took the transfer command leaves the local file
// as it was and no empty upload on the server, and a connection whose owed answer never comes is
// closed rather than left half alive.
#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "EngineTestSupport.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class TransferEnds : public EngineTest {
protected:
    std::string dir;
    void Login(const char* user, long timeout = 10)
    {
        Server("DORVIK_FAKE_PORT", user, "x");
        ctl->put_Timeout(timeout);
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
        dir = Env("DORVIK_LOCAL") + "\\ends-" + user;
        CreateDirectoryA(dir.c_str(), nullptr);
        sink.events.clear();
    }
    // The next command gets its own answer.
    void ExpectInStep()
    {
        ctl->put_Timeout(10);
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP"))) << ErrorText();
        EXPECT_EQ("200 ok", LastText());
    }
};

// All the data came and the data connection closed, yet the server's final word is a failure, or
// never comes: Get fails, with no TransferComplete, and so does MGet for that file.
TEST_F(TransferEnds, GetIsJudgedByTheFinalReply)
{
    struct Case {
        const char* user;
        const char* text;
    } cases[] = {
        {"r451", "Get failed"},
        {"final426", "Get failed"},
        {"final552", "Get failed"},
        {"resethalf", "Get failed"},  // a reset half way reads as a clean close under Wine
        {"nofinal", "Timeout"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.user);
        Login(k.user, 2);
        const std::string local = dir + "\\got.bin";
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(local), 0));
        EXPECT_EQ(k.text, ErrorText());
        EXPECT_TRUE(EventsOf(7).empty());
        EXPECT_EQ(0, Busy());
        sink.events.clear();
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->MGet(Arg("file"), Arg(dir)));
        EXPECT_TRUE(EventsOf(7).empty());
        ASSERT_EQ(S_OK, ctl->Disconnect());
    }
}

// An Abort while RETR's answer is awaited ends the Get before its data phase, whatever the server
// then answers: the local file stays exactly as it was and nothing is reported started or complete.
TEST_F(TransferEnds, AbortBeforeRetrIsTakenLeavesTheLocalFileAlone)
{
    struct Case {
        const char* user;
        long offset;
    } cases[] = {
        {"slowrefuse", 0},
        {"slowrefuse", 100},
        {"slowaccept", 0},
        {"slowaccept", 100},
    };
    const std::string before = std::string(300, 'k');
    IDorvikFTPCtrl* c = ctl;
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.user) + " offset " + std::to_string(k.offset));
        Login(k.user);
        const std::string local = dir + "\\kept.bin";
        WriteAll(local, before);
        {
            TimerCall abort(300, [c] { c->Abort(); });
            EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(local), k.offset));
        }
        EXPECT_EQ("Aborted", ErrorText());
        EXPECT_TRUE(ReadAll(local) == before);
        EXPECT_TRUE(EventsOf(6).empty());
        EXPECT_TRUE(EventsOf(7).empty());
        EXPECT_EQ(0, Busy());
        ExpectInStep();
        ASSERT_EQ(S_OK, ctl->Disconnect());
    }
}

// An Abort while STOR's answer is awaited, in passive mode, where the data connection already
// stands: the server that takes the STOR after all must read a broken upload (a reset, answered
// 426), not a clean end that it would keep as an empty file (226). The upload fails with "Aborted"
// and the next command gets its own answer.
TEST_F(TransferEnds, AbortBeforeStorIsTakenResetsTheDataConnection)
{
    struct Case {
        const char* method;
        std::function<HRESULT(IDorvikFTPCtrl*, const std::string&)> call;
    } cases[] = {
        {"Put", [](IDorvikFTPCtrl* c, const std::string& local) { return c->Put(Arg(local), Arg("up.bin"), 0); }},
        {"BeginPut",
         [](IDorvikFTPCtrl* c, const std::string& local) { return c->BeginPut(Arg(local), Arg("up.bin"), 0); }},
        {"MPut", [](IDorvikFTPCtrl* c, const std::string& local) { return c->MPut(Arg(local)); }},
    };
    IDorvikFTPCtrl* c = ctl;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.method);
        Login("slowstor");
        const std::string local = dir + "\\up.bin";
        WriteAll(local, std::string(5000, 'u'));
        {
            TimerCall abort(800, [c] { c->Abort(); });
            EXPECT_EQ(DISP_E_EXCEPTION, k.call(ctl, local));
        }
        EXPECT_EQ("Aborted", ErrorText());
        EXPECT_TRUE(EventsOf(6).empty());
        EXPECT_TRUE(EventsOf(7).empty());
        EXPECT_EQ(0, Busy());
        ExpectInStep();
        const std::vector<std::string> replies = Replies();
        EXPECT_NE(replies.end(), std::find(replies.begin(), replies.end(), "426 Connection reset, transfer aborted."));
        EXPECT_EQ(replies.end(), std::find(replies.begin(), replies.end(), "226 Stored."));
        ASSERT_EQ(S_OK, ctl->Disconnect());
    }
}

// BeginGet opens, creates or cuts its local file only once the server has taken RETR.
TEST_F(TransferEnds, RefusedBackgroundDownloadLeavesTheLocalFileAlone)
{
    Login("plain");
    const std::string kept = dir + "\\kept.bin";
    const std::string absent = dir + "\\absent.bin";
    WriteAll(kept, "what was there");
    DeleteFileA(absent.c_str());
    for (const std::string& local : {kept, absent}) {
        SCOPED_TRACE(local);
        long ret = 0;
        EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginGet(Arg("missing"), Arg(local), 0, &ret));
        EXPECT_EQ(-3, ret);
        EXPECT_EQ("Comunication error: 550 No such file.", ErrorText());
        EXPECT_EQ(0, Busy());
    }
    EXPECT_EQ("what was there", ReadAll(kept));
    EXPECT_FALSE(Exists(absent));
    // Arguments that cannot even be sent are refused as such, not as Busy.
    long ret = 0;
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginGet(Arg("a\r\nDELE b"), Arg(kept), 0, &ret));
    EXPECT_EQ(-3, ret);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginGet(Arg("file"), Arg(kept), -4, &ret));
    EXPECT_EQ(-3, ret);
    ExpectInStep();
}

// An upload the server refuses at its end is never reported complete: a host that deletes or
// moves its file on TransferComplete keeps it.
TEST_F(TransferEnds, RefusedUploadFiresNoTransferComplete)
{
    Login("s552");
    const std::string local = dir + "\\up.bin";
    WriteAll(local, std::string(5000, 'u'));
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(local), Arg("up.bin"), 0));
    EXPECT_EQ("Error:  552 Quota exceeded.", ErrorText());
    EXPECT_TRUE(EventsOf(7).empty());
    ExpectInStep();

    // Busy is still set while a successful upload reports itself complete.
    Login("plain");
    long busyAtComplete = -1;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id == 7)
            busyAtComplete = Busy();
    };
    EXPECT_EQ(S_OK, ctl->Put(Arg(local), Arg("up.bin"), 0)) << ErrorText();
    sink.hook = nullptr;
    EXPECT_EQ(1u, EventsOf(7).size());
    EXPECT_EQ(1, busyAtComplete);
}

// A PASV the server refuses is not made up for with the address of the last one.
TEST_F(TransferEnds, RefusedPasvIsNotAnsweredWithAStalePort)
{
    Login("pasvonce");
    ASSERT_EQ(S_OK, ctl->Get(Arg("file"), Arg(dir + "\\first.bin"), 0)) << ErrorText();
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Get(Arg("file"), Arg(dir + "\\second.bin"), 0));
    EXPECT_EQ("Get failed", ErrorText());
    EXPECT_FALSE(Exists(dir + "\\second.bin"));
    EXPECT_EQ("200 USER,PASS,PWD,TYPE,PASV,RETR,TYPE,PASV,HIST", FakeHistory());
}

// An Abort from an EnumFile handler ends the listing at that line, not at the end of the listing:
// no later line is reported, and the connection stays in step.
TEST_F(TransferEnds, AbortFromAnEnumFileHandlerEndsTheListingThere)
{
    Login("nolinks");
    IDorvikFTPCtrl* c = ctl;
    sink.hook = [c](const RecordedEvent& e) {
        if (e.id == 5)
            c->Abort();
    };
    EXPECT_EQ(S_OK, ctl->EnumFiles(Arg(""))) << ErrorText();
    sink.hook = nullptr;
    EXPECT_EQ(1u, EventsOf(5).size());
    EXPECT_EQ(0, Busy());
    ExpectInStep();
}

// The detail of an earlier failure does not leak into a later error text.
TEST_F(TransferEnds, ErrorTextsCarryOnlyTheirOwnDetail)
{
    Server("DORVIK_TRUTH_PORT", "stor550", "x");
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    dir = Env("DORVIK_LOCAL") + "\\ends-detail";
    CreateDirectoryA(dir.c_str(), nullptr);
    WriteAll(dir + "\\up.bin", "up");
    ctl->put_Timeout(1);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Quote(Arg("LATE")));  // leaves the detail "Timeout!"
    ctl->put_Timeout(10);
    EXPECT_EQ(DISP_E_EXCEPTION, ctl->Put(Arg(dir + "\\up.bin"), Arg("x.bin"), 0));
    EXPECT_EQ("550 Permission denied.", ErrorText());
}

// A notice the download worker queued before an Abort never reaches the transfer started after it
// (the handler's pause lets the worker of the big file queue its notices): every TransferProgress
// after the Abort is the second transfer's, and the second file comes whole.
TEST_F(TransferEnds, NoticesOfAnAbortedDownloadNeverReachTheNextOne)
{
    Login("plain");
    const std::string first = dir + "\\first.bin";
    const std::string second = dir + "\\second.bin";
    IDorvikFTPCtrl* c = ctl;
    bool restarted = false;
    size_t afterAbort = 0;
    sink.hook = [&](const RecordedEvent& e) {
        if (e.id != 4 || restarted)
            return;
        restarted = true;
        // Stale notices of the first transfer are queued behind this one by now.
        Sleep(200);
        c->Abort();
        afterAbort = sink.events.size();
        long ret = 0;
        c->BeginGet(Arg("file"), Arg(second), 0, &ret);
    };
    long ret = 0;
    ASSERT_EQ(S_OK, ctl->BeginGet(Arg("big"), Arg(first), 0, &ret)) << ErrorText();
    PumpWhileBusy();
    PumpFor(200);
    sink.hook = nullptr;
    ASSERT_TRUE(restarted);
    for (size_t i = afterAbort; i < sink.events.size(); ++i) {
        if (sink.events[i].id == 4) {
            EXPECT_EQ(1000, sink.events[i].numbers.at(0));
        }
    }
    ASSERT_EQ(1u, EventsOf(7).size());
    EXPECT_EQ(1000, EventsOf(7).front()->numbers.at(0));
    EXPECT_EQ(1000u, ReadAll(second).size());
    ExpectInStep();
}

} // namespace

// BeginGet and BeginPut in active mode (PORT): the server connects to the control's listener.
// Against the real servers the file goes through whole; against a peer that never connects the
// transfer fails cleanly and the connection stays in step.
#include <fstream>
#include <iterator>

#include "EngineTestSupport.h"
#include "RealServers.h"

namespace {

std::string Pattern(size_t size)
{
    std::string out(size, '\0');
    unsigned seed = 17;
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

// The host's own loop until TransferComplete (true) or the time is up (false).
bool PumpUntilComplete(const HookSink& sink, DWORD milliseconds)
{
    DWORD until = GetTickCount() + milliseconds;
    for (;;) {
        for (const RecordedEvent& e : sink.events)
            if (e.id == 7)
                return true;
        if (GetTickCount() >= until)
            return false;
        PumpFor(10);
    }
}

class ActiveModeAsync : public RealServerTest {};

TEST_P(ActiveModeAsync, BothDirectionsCarryTheWholeFile)
{
    const std::string content = Pattern(3 * 1024 * 1024 + 11);
    MakeFile("active-src.bin", content);
    ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg(GetParam().home))) << ErrorText();
    ctl->put_PassiveMode(0);
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "BeginPut" : "BeginGet");
        sink.events.clear();
        std::string result;
        if (upload) {
            ASSERT_EQ(S_OK, ctl->BeginPut(Arg(Local("active-src.bin")), Arg("active-up.bin"), 0)) << ErrorText();
            result = "active-up.bin";
        } else {
            long ret = 99;
            ASSERT_EQ(S_OK, ctl->BeginGet(Arg("active-src.bin"), Arg(Local("active-down.bin")), 0, &ret))
                << ErrorText();
            EXPECT_EQ(0, ret);
            result = "active-down.bin";
        }
        ASSERT_TRUE(PumpUntilComplete(sink, 60000));
        EXPECT_EQ(0, Busy());
        EXPECT_TRUE(content == Content(result));
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ(200, LastCode());
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ActiveModeAsync, ::testing::ValuesIn(RealServers(), RealServers() + kRealServerCount),
                         RealServerName);

// A peer that answers PORT and the transfer command with 150 and then never connects.
class ActiveModeNobodyConnects : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Server("DORVIK_NOCONNECT_PORT");
        ctl->put_Timeout(2);
        ctl->put_PassiveMode(0);
        ASSERT_EQ(S_OK, ctl->Connect()) << ErrorText();
    }
};

TEST_F(ActiveModeNobodyConnects, BothDirectionsFailCleanlyAndStayInStep)
{
    const std::string local = Env("DORVIK_LOCAL") + "\\nobody-connects.bin";
    std::ofstream(local, std::ios::binary) << "some bytes to send";
    const struct {
        bool upload;
        const char* history;
    } rows[] = {
        {false, "200 USER,PASS,PWD,TYPE,PORT,RETR,ABOR,NOOP,HIST"},
        {true, "200 USER,PASS,PWD,TYPE,PORT,RETR,ABOR,NOOP,HIST,TYPE,PORT,STOR,ABOR,NOOP,HIST"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.upload ? "BeginPut" : "BeginGet");
        sink.events.clear();
        if (row.upload) {
            EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginPut(Arg(local), Arg("never.bin"), 0));
            EXPECT_FALSE(ErrorText().empty());
            EXPECT_EQ(DFTP_STATE_LOGGEDIN, States().back());
        } else {
            long ret = 99;
            EXPECT_EQ(DISP_E_EXCEPTION, ctl->BeginGet(Arg("never.bin"), Arg(local + ".got"), 0, &ret));
            EXPECT_EQ(-3, ret);
            EXPECT_EQ("Comunication error: no data connection came from the server.", ErrorText());
        }
        EXPECT_EQ(0, Busy());
        EXPECT_TRUE(EventsOf(7).empty());
        ASSERT_EQ(S_OK, ctl->Quote(Arg("NOOP")));
        EXPECT_EQ("200 ok", LastText());
        EXPECT_EQ(row.history, FakeHistory());
    }
    // The upload's file is not left open; the download's was never made, as no data came.
    HANDLE h = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    DeleteFileA(local.c_str());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((local + ".got").c_str()));
}

} // namespace

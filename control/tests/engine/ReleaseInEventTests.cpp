// A host that lets go of the control inside an event handler: it holds the only reference, its
// sink is still advised, and the event comes from the control's hidden window (a background
// transfer's report or end, a login or logout at the built-in server) or from a method that is
// still running. The control must go quietly: no crash, the sink and the local file released,
// and the host's loop pumps on.
#include <fstream>

#include "EngineTestSupport.h"

namespace {

enum class Source { BackgroundDownload, BackgroundUpload, MethodDownload, BuiltinServer };
enum class Client { LogsIn, LogsInAndOut };

struct ReleaseCase {
    const char* name;
    DISPID event;
    Source source;
    bool afterStart;   // only events fired once BeginGet has returned count
};

const ReleaseCase kCases[] = {
    {"TransferProgress", 4, Source::BackgroundDownload, true},
    {"TransferComplete", 7, Source::BackgroundDownload, true},
    // The final reply, read by the background end of the transfer.
    {"FinishReply", 3, Source::BackgroundDownload, true},
    // BeginPut's pieces report straight from the window's pump, not through a posted message.
    {"UploadTransferProgress", 4, Source::BackgroundUpload, true},
    // Get goes on to the end of the file after the host let go.
    {"GetTransferProgress", 4, Source::MethodDownload, false},
    {"ClientConnected", 8, Source::BuiltinServer, false},
    {"ClientDisconnected", 9, Source::BuiltinServer, false},
};

std::string CaseName(const ::testing::TestParamInfo<ReleaseCase>& info)
{
    return info.param.name;
}

// Reads reply lines until a final one ("ddd "); its code, or 0 when the connection ended first.
int ReadCode(SOCKET s, std::string* pending)
{
    for (;;) {
        size_t end;
        while ((end = pending->find("\r\n")) != std::string::npos) {
            std::string line = pending->substr(0, end);
            pending->erase(0, end + 2);
            if (line.size() >= 4 && line[3] == ' ')
                return std::atoi(line.substr(0, 3).c_str());
        }
        char buffer[512];
        int got = recv(s, buffer, sizeof(buffer), 0);
        if (got <= 0)
            return 0;
        pending->append(buffer, static_cast<size_t>(got));
    }
}

// A plain FTP client on a thread of its own: logs in to the built-in server (and, if told, out
// again), then waits for the server to close. Every wait is bounded by the socket's time-out.
struct LoginClient {
    long port = 0;
    Client what = Client::LogsIn;
    int loginCode = -1;
    HANDLE thread = nullptr;

    static DWORD WINAPI Run(void* param)
    {
        LoginClient* c = static_cast<LoginClient*>(param);
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        DWORD timeout = 10000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<u_short>(c->port));
        std::string pending;
        if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 && ReadCode(s, &pending) == 220) {
            send(s, "USER leaver\r\n", 13, 0);
            if (ReadCode(s, &pending) == 331) {
                send(s, "PASS pw\r\n", 9, 0);
                c->loginCode = ReadCode(s, &pending);
                if (c->what == Client::LogsInAndOut && c->loginCode == 230) {
                    send(s, "QUIT\r\n", 6, 0);
                    ReadCode(s, &pending);
                    shutdown(s, SD_SEND);
                }
            }
            while (ReadCode(s, &pending) != 0) {
            }
        }
        closesocket(s);
        return 0;
    }
    void Start(long serverPort, Client kind)
    {
        port = serverPort;
        what = kind;
        thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    void Join()
    {
        if (thread) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
            CloseHandle(thread);
            thread = nullptr;
        }
    }
};

class ReleaseInEvent : public ControlLibrary, public ::testing::WithParamInterface<ReleaseCase> {
protected:
    IDorvikFTPCtrl* ctl = nullptr;   // the host's only reference
    HookSink sink;
    LONG sinkRefsBefore = 0;
    bool started = false;
    bool released = false;

    void SetUp() override
    {
        ControlLibrary::SetUp();
        sinkRefsBefore = sink.refs;
        ctl = NewControl();
        ASSERT_NE(nullptr, ctl);
        IConnectionPointContainer* container = nullptr;
        ASSERT_EQ(S_OK, ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
        IConnectionPoint* point = nullptr;
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point));
        container->Release();
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
        point->Release();   // the sink stays advised; only ctl keeps the control
        ctl->put_Timeout(20);
        sink.hook = [this](const RecordedEvent& e) {
            if (released || e.id != GetParam().event || (GetParam().afterStart && !started))
                return;
            released = true;
            IDorvikFTPCtrl* last = ctl;
            ctl = nullptr;
            last->Release();
        };
    }
    void TearDown() override
    {
        sink.hook = nullptr;
        if (ctl)
            ctl->Release();
        ControlLibrary::TearDown();
    }

    void PumpUntilReleased(DWORD milliseconds)
    {
        DWORD until = GetTickCount() + milliseconds;
        while (!released && GetTickCount() < until)
            PumpFor(10);
    }
};

TEST_P(ReleaseInEvent, ControlGoesQuietlyAndTheHostPumpsOn)
{
    const std::string local = Env("DORVIK_LOCAL") + "\\release-" + GetParam().name + ".bin";
    LoginClient client;
    if (GetParam().source != Source::BuiltinServer) {
        if (EnvPort("DORVIK_VSFTPD_PORT") == 0)
            GTEST_SKIP() << "vsftpd is not available";
        const std::string remote = std::string("release-") + GetParam().name + ".bin";
        std::ofstream(Env("DORVIK_VSFTPD_ROOT") + "\\" + remote, std::ios::binary)
            << std::string(20 * 1024 * 1024, 'r');
        ctl->put_ServerName(Arg("127.0.0.1"));
        ctl->put_ServerPort(EnvPort("DORVIK_VSFTPD_PORT"));
        ctl->put_Username(Arg("anonymous"));
        ctl->put_Password(Arg("guest"));
        ASSERT_EQ(S_OK, ctl->Connect());
        ASSERT_EQ(S_OK, ctl->put_CurrentWorkingDirectory(Arg("/pub")));
        if (GetParam().source == Source::MethodDownload) {
            EXPECT_EQ(S_OK, ctl->Get(Arg(remote), Arg(local), 0));
        } else if (GetParam().source == Source::BackgroundUpload) {
            std::ofstream(local, std::ios::binary) << std::string(20 * 1024 * 1024, 'u');
            ASSERT_EQ(S_OK, ctl->BeginPut(Arg(local), Arg(remote + ".up"), 0));
            started = true;
        } else {
            long ret = 99;
            ASSERT_EQ(S_OK, ctl->BeginGet(Arg(remote), Arg(local), 0, &ret));
            ASSERT_EQ(0, ret);
            started = true;
        }
    } else {
        const long port = FreeLoopbackPort();
        ASSERT_EQ(S_OK, ctl->ServerAddUser(Arg("leaver"), Arg("pw"), Arg(Env("DORVIK_LOCAL")), DFPERM_ALL));
        ASSERT_EQ(S_OK, ctl->StartServer(port));
        client.Start(port, GetParam().event == 9 ? Client::LogsInAndOut : Client::LogsIn);
    }

    PumpUntilReleased(60000);
    ASSERT_TRUE(released);
    // The rest of the dispatch, and whatever the control had queued, runs into no dead object.
    PumpFor(300);
    EXPECT_EQ(sinkRefsBefore, sink.refs) << "the control still holds the sink: it was not destroyed";
    client.Join();
    if (GetParam().source != Source::BuiltinServer) {
        // The transfer's handles went with the control: the file opens unshared for writing.
        HANDLE h = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
        DeleteFileA(local.c_str());
    }
    // The process still works: a new control starts and stops its server.
    IDorvikFTPCtrl* next = NewControl();
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(S_OK, next->StartServer(FreeLoopbackPort()));
    EXPECT_EQ(S_OK, next->StopServer());
    next->Release();
}

INSTANTIATE_TEST_SUITE_P(Events, ReleaseInEvent, ::testing::ValuesIn(kCases), CaseName);

} // namespace

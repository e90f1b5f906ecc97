// The passive data connection: taken whether the client connected before the accept or during its wait,
// and never blocking, since every transfer loop waits in slices that look at the stop flags.
#include "DataIo.h"

#include <gtest/gtest.h>

namespace {

class PassiveAccept : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA wsa;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_NE(INVALID_SOCKET, listener);
        PrepareDataListener(listener);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local));
        ASSERT_EQ(0, listen(listener, 1));
        int length = sizeof address;
        ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));
    }

    void TearDown() override
    {
        for (SOCKET sock : {client, accepted, listener}) {
            if (sock != INVALID_SOCKET)
                closesocket(sock);
        }
        WSACleanup();
    }

public:
    void Connect()
    {
        client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_EQ(0, connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address));
    }

protected:
    // A receive with nothing to read must come back at once with WSAEWOULDBLOCK. The receive time-out
    // only keeps a blocking socket from hanging the test.
    void ExpectNonBlocking()
    {
        ASSERT_NE(INVALID_SOCKET, accepted);
        DWORD limitMs = 2000;
        setsockopt(accepted, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limitMs), sizeof limitMs);
        char byte;
        DWORD started = GetTickCount();
        EXPECT_EQ(SOCKET_ERROR, recv(accepted, &byte, 1, 0));
        EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());
        EXPECT_LT(GetTickCount() - started, 1000u);
    }

    SOCKET listener = INVALID_SOCKET;
    SOCKET client = INVALID_SOCKET;
    SOCKET accepted = INVALID_SOCKET;
    sockaddr_in address = {};
    StopFlags noStop;
};

struct Connector {
    static DWORD WINAPI Run(void* argument)
    {
        Sleep(300);
        static_cast<PassiveAccept*>(argument)->Connect();
        return 0;
    }
};

TEST_F(PassiveAccept, AClientThatConnectedFirstIsTakenAtOnce)
{
    Connect();
    accepted = AcceptFromPeer(listener, htonl(INADDR_LOOPBACK), 5000, noStop);
    ExpectNonBlocking();
}

TEST_F(PassiveAccept, AClientThatConnectsDuringTheWaitIsTaken)
{
    HANDLE thread = CreateThread(nullptr, 0, Connector::Run, this, 0, nullptr);
    accepted = AcceptFromPeer(listener, htonl(INADDR_LOOPBACK), 5000, noStop);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    ExpectNonBlocking();
}

TEST_F(PassiveAccept, NobodyComingEndsAtTheTimeOut)
{
    DWORD started = GetTickCount();
    accepted = AcceptFromPeer(listener, htonl(INADDR_LOOPBACK), 300, noStop);
    EXPECT_EQ(INVALID_SOCKET, accepted);
    EXPECT_GE(GetTickCount() - started, 250u);
}

}  // namespace

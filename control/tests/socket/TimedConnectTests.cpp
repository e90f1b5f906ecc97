// The timed connect through a WinSock event object: success in both blocking modes, refusal,
// and the time-out against a listener whose backlog is full.
#include "SocketTestSupport.h"

namespace {

sockaddr_in Loopback(USHORT port)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    return to;
}

// WSAEWOULDBLOCK at once from a non-blocking socket; WSAETIMEDOUT after the receive time-out
// from a blocking one.
int ReceiveErrorWithNothingToRead(CWSocket& s)
{
    DWORD limit = 300;
    s.SetOption(SO_RCVTIMEO, &limit, sizeof(limit));
    char c;
    return ThrownCode([&] { s.ReceiveBytes(&c, 1); });
}

} // namespace

TEST(WSocketTimedConnect, ConnectsAndLeavesTheBlockingModeAsAsked)
{
    const USHORT echo = PeerPort("SILENT");
    {
        CWSocket s;
        s.CreateInet(FALSE);
        s.ConnectHostTimed("127.0.0.1", echo, 5000, TRUE);
        EXPECT_EQ(WSAETIMEDOUT, ReceiveErrorWithNothingToRead(s));
    }
    {
        CWSocket s;
        s.CreateInet(FALSE);
        sockaddr_in to = Loopback(echo);
        s.ConnectSockAddrTimed(reinterpret_cast<sockaddr*>(&to), sizeof(to), 5000, FALSE);
        EXPECT_EQ(WSAEWOULDBLOCK, ReceiveErrorWithNothingToRead(s));
        CStr peer;
        UINT port = 0;
        s.GetPeerAddress(peer, port);
        EXPECT_EQ(echo, port);
    }
}

TEST(WSocketTimedConnect, FailuresCarryTheirOwnCodes)
{
    struct Case {
        const char* peer;
        DWORD milliseconds;
        int code;
    } cases[] = {
        {"CLOSED", 5000, WSAECONNREFUSED},  // the code of the connect event, not a time-out
        {"FULL", 300, ERROR_TIMEOUT},
        {"FULL", 0, ERROR_TIMEOUT},
    };
    for (const Case& c : cases) {
        CWSocket s;
        s.CreateInet(FALSE);
        DWORD start = GetTickCount();
        EXPECT_EQ(c.code, ThrownCode([&] { s.ConnectHostTimed("127.0.0.1", PeerPort(c.peer), c.milliseconds, TRUE); }))
            << c.peer << " " << c.milliseconds;
        EXPECT_LT(GetTickCount() - start, 4000u) << c.peer;
        EXPECT_TRUE(s.HasHandle());
    }
}

TEST(WSocketTimedConnect, ASocketNotYetCreatedFails)
{
    CWSocket s;
    EXPECT_EQ(WSAENOTSOCK, ThrownCode([&] { s.ConnectHostTimed("127.0.0.1", PeerPort("SILENT"), 1000, TRUE); }));
}

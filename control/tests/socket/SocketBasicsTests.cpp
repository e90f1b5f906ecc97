// CWSocketException, and the plain calls of CWSocket: handle ownership, bind, listen, accept,
// addresses, options, waits, stream data and datagrams.
#include <cstring>

#include "SocketTestSupport.h"

namespace {

struct WinsockUp {
    WinsockUp()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUp() { WSACleanup(); }
} winsockUp;

std::string SystemText(DWORD code)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = n && text ? text : "";
    if (text)
        LocalFree(text);
    return s;
}

bool IsSocket(SOCKET s)
{
    int type = 0;
    int length = sizeof(type);
    return getsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) == 0;
}

// A listener on a free loopback port, a client connected to it and the accepted end.
struct ConnectedPair {
    CWSocket listener, client, server;
    UINT port = 0;

    ConnectedPair()
    {
        listener.CreateInet(FALSE);
        listener.BindPort(0, "127.0.0.1");
        listener.StartListening(5);
        CStr address;
        listener.GetLocalAddress(address, port);
        client.CreateInet(FALSE);
        client.ConnectHost("localhost", static_cast<USHORT>(port));
        listener.AcceptConnection(server);
    }
};

} // namespace

TEST(WSocketException, GivesTheSystemTextOfItsCode)
{
    const int codes[] = {WSAECONNREFUSED, WSAEINVAL, ERROR_TIMEOUT, ERROR_BAD_NET_RESP,
                         ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER, ERROR_CONNECTION_REFUSED};
    for (int code : codes) {
        CWSocketException e(code);
        CStr text = e.GetErrorTextString();
        EXPECT_FALSE(text.IsEmpty()) << code;
        EXPECT_EQ(SystemText(code), text.str()) << code;
    }
}

TEST(WSocketException, CodeWithoutTextGivesEmptyText)
{
    CWSocketException e(0x2000ABCD);
    EXPECT_TRUE(e.GetErrorTextString().IsEmpty());
    char buffer[16] = "leftover";
    UINT help = 99;
    EXPECT_FALSE(e.GetErrorMessage(buffer, sizeof(buffer), &help));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0u, help);
}

// Callers that hold the base class, const or not, get the exception's own text.
TEST(WSocketException, BothMessageOperationsOfTheBaseGiveTheSystemText)
{
    CWSocketException e(WSAECONNREFUSED);
    CException& base = e;
    const CException& constBase = e;
    char plain[512] = {}, constant[512] = {};
    EXPECT_TRUE(base.GetErrorMessage(plain, sizeof(plain)));
    EXPECT_TRUE(constBase.GetErrorMessage(constant, sizeof(constant)));
    EXPECT_EQ(SystemText(WSAECONNREFUSED), std::string(plain));
    EXPECT_EQ(SystemText(WSAECONNREFUSED), std::string(constant));
}

TEST(WSocketException, MessageIsCutToTheBuffer)
{
    CWSocketException e(WSAECONNREFUSED);
    std::string whole = e.GetErrorTextString().str();
    ASSERT_GT(whole.size(), 8u);
    char buffer[9];
    std::memset(buffer, 'x', sizeof(buffer));
    UINT help = 7;
    EXPECT_TRUE(e.GetErrorMessage(buffer, sizeof(buffer), &help));
    EXPECT_EQ(whole.substr(0, 8), std::string(buffer));
    EXPECT_EQ(0u, help);
}

TEST(WSocketException, ThrownOnTheHeapWithTheLastErrorAndReleasedThroughTheBase)
{
    CException* caught = nullptr;
    try {
        WSASetLastError(WSAECONNRESET);
        ThrowWSocketException(0);
    } catch (CException* e) {
        caught = e;
    }
    ASSERT_NE(nullptr, caught);
    EXPECT_TRUE(caught->IsKindOf(&CException::classCException));
    EXPECT_STREQ("CWSocketException", caught->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(WSAECONNRESET, static_cast<CWSocketException*>(caught)->m_nError);
    EXPECT_TRUE(caught->m_bAutoDelete);
    caught->Delete();

    EXPECT_EQ(ERROR_TIMEOUT, ThrownCode([] { ThrowWSocketException(ERROR_TIMEOUT); }));
}

TEST(WSocket, OwnsItsHandleUntilDetached)
{
    SOCKET raw;
    {
        CWSocket s;
        EXPECT_FALSE(s.HasHandle());
        s.CloseSocket();  // nothing held: nothing happens
        s.CreateInet(FALSE);
        ASSERT_TRUE(s.HasHandle());
        raw = s.DetachHandle();
        EXPECT_FALSE(s.HasHandle());
        EXPECT_EQ(INVALID_SOCKET, s.GetHandle());
    }
    EXPECT_TRUE(IsSocket(raw)) << "a detached handle stays open";
    {
        CWSocket s;
        s.AttachHandle(raw);
        EXPECT_EQ(raw, s.GetHandle());
    }
    EXPECT_FALSE(IsSocket(raw)) << "the destructor closes what it holds";
}

TEST(WSocket, ANewHandleClosesTheOneHeld)
{
    CWSocket s;
    s.CreateInet(FALSE);
    SOCKET first = s.GetHandle();
    s.CreateInet(TRUE);
    EXPECT_NE(first, s.GetHandle());
    EXPECT_FALSE(IsSocket(first));

    SOCKET second = s.GetHandle();
    SOCKET other = socket(AF_INET, SOCK_STREAM, 0);
    s.AttachHandle(other);
    EXPECT_FALSE(IsSocket(second));
    s.CloseSocket();
    EXPECT_FALSE(IsSocket(other));
}

TEST(WSocket, FailingCallsThrowThePlatformError)
{
    CWSocket s;
    int one = 1;
    EXPECT_EQ(WSAENOTSOCK, ThrownCode([&] { s.SetOption(SO_REUSEADDR, &one, sizeof(one)); }));
    s.CreateInet(FALSE);
    CStr address;
    UINT port;
    EXPECT_EQ(WSAENOTCONN, ThrownCode([&] { s.GetPeerAddress(address, port); }));
    EXPECT_EQ(WSAEAFNOSUPPORT, ThrownCode([&] { s.CreateSocket(SOCK_STREAM, 0, 12345); }));
    EXPECT_TRUE(s.HasHandle()) << "a failed create keeps the handle held";
}

TEST(WSocket, ListensAcceptsAndKnowsBothEnds)
{
    ConnectedPair pair;
    CStr local, peer;
    UINT localPort = 0, peerPort = 0;
    pair.client.GetLocalAddress(local, localPort);
    pair.server.GetPeerAddress(peer, peerPort);
    EXPECT_EQ(CStr("127.0.0.1"), peer);
    EXPECT_EQ(local, peer);
    EXPECT_EQ(localPort, peerPort);
    pair.client.GetPeerAddress(peer, peerPort);
    EXPECT_EQ(pair.port, peerPort);

    const char text[] = "through a wrapped socket";
    EXPECT_EQ(static_cast<int>(sizeof(text)), pair.client.SendBytes(text, sizeof(text)));
    EXPECT_EQ(std::string(text, sizeof(text)), ReadSome(pair.server, sizeof(text)));

    pair.client.ShutdownSocket(SD_SEND);
    char c;
    ASSERT_TRUE(pair.server.WaitReadable(2000));
    EXPECT_EQ(0, pair.server.ReceiveBytes(&c, 1)) << "a closed side reads as 0 bytes";
}

TEST(WSocket, BindWithoutHostTakesEveryInterface)
{
    CWSocket s;
    s.CreateInet(FALSE);
    s.BindPort(0);
    CStr address;
    UINT port = 0;
    s.GetLocalAddress(address, port);
    EXPECT_EQ(CStr("0.0.0.0"), address);
    EXPECT_NE(0u, port);
}

TEST(WSocket, NamesThatDoNotResolve)
{
    CWSocket s;
    s.CreateInet(FALSE);
    EXPECT_EQ(WSAEINVAL, ThrownCode([&] { s.BindPort(0, "no-such-host.invalid"); }));
    int code = ThrownCode([&] { s.ConnectHost("no-such-host.invalid", 21); });
    EXPECT_GE(code, WSAHOST_NOT_FOUND) << "the resolver's own code";
    EXPECT_LE(code, WSANO_DATA);
    code = ThrownCode([&] { s.ConnectHostTimed("no-such-host.invalid", 21, 1000, TRUE); });
    EXPECT_GE(code, WSAHOST_NOT_FOUND);
    EXPECT_LE(code, WSANO_DATA);
}

TEST(WSocket, OptionsAndIoControl)
{
    ConnectedPair pair;
    int size = 128 * 1024;
    pair.client.SetOption(SO_RCVBUF, &size, sizeof(size));
    int read = 0;
    int length = sizeof(read);
    pair.client.GetOption(SO_RCVBUF, &read, &length);
    EXPECT_GE(read, size);

    int noDelay = 1;
    pair.client.SetOption(TCP_NODELAY, &noDelay, sizeof(noDelay), IPPROTO_TCP);
    noDelay = 0;
    length = sizeof(noDelay);
    pair.client.GetOption(TCP_NODELAY, &noDelay, &length, IPPROTO_TCP);
    EXPECT_NE(0, noDelay);

    pair.server.SendBytes("12345", 5);
    ASSERT_TRUE(pair.client.WaitReadable(2000));
    u_long pending = 0;
    for (int i = 0; i < 50 && pending < 5; ++i) {
        pair.client.IoControl(FIONREAD, &pending);
        Sleep(10);
    }
    EXPECT_EQ(5u, pending);
}

TEST(WSocket, WaitsForReadableAndWritable)
{
    ConnectedPair pair;
    EXPECT_FALSE(pair.client.WaitReadable(0)) << "a poll with nothing there";
    EXPECT_FALSE(pair.client.WaitReadable(1200)) << "whole seconds and the rest";
    EXPECT_TRUE(pair.client.WaitWritable(0));
    pair.server.SendBytes("x", 1);
    EXPECT_TRUE(pair.client.WaitReadable(2000));
    char c;
    pair.client.ReceiveBytes(&c, 1);
    EXPECT_FALSE(pair.client.WaitReadable(0));

    CWSocket none;
    EXPECT_NE(0, ThrownCode([&] { none.WaitReadable(0); }));
}

TEST(WSocket, DatagramsToAndFromAHost)
{
    const USHORT echo = PeerPort("UDP_ECHO");
    CWSocket s;
    s.CreateInet(TRUE);
    const char text[] = "a datagram";
    EXPECT_EQ(static_cast<int>(sizeof(text)), s.SendToHost(text, sizeof(text), echo, "127.0.0.1"));
    ASSERT_TRUE(s.WaitReadable(2000));
    char buffer[64] = {};
    CStr from;
    UINT fromPort = 0;
    EXPECT_EQ(static_cast<int>(sizeof(text)), s.ReceiveFromHost(buffer, sizeof(buffer), from, fromPort));
    EXPECT_STREQ(text, buffer);
    EXPECT_EQ(CStr("127.0.0.1"), from);
    EXPECT_EQ(echo, fromPort);

    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(echo);
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    EXPECT_EQ(3, s.SendToSockAddr("abc", 3, reinterpret_cast<sockaddr*>(&to), sizeof(to)));
    ASSERT_TRUE(s.WaitReadable(2000));
    sockaddr_in sender = {};
    int senderLength = sizeof(sender);
    EXPECT_EQ(3, s.ReceiveFromSockAddr(buffer, sizeof(buffer), reinterpret_cast<sockaddr*>(&sender), &senderLength));
    EXPECT_EQ(0, std::memcmp(buffer, "abc", 3));
    EXPECT_EQ(htons(echo), sender.sin_port);
}

// The proxy handshakes: SOCKS4 and SOCKS5 through dante, SOCKS5 user name and password and the
// odd answers through scripted proxies, HTTP CONNECT through scripted proxies. The destination
// is the TCP echo unless a test says otherwise.
#include "SocketTestSupport.h"

namespace {

const char kHost[] = "127.0.0.1";
const DWORD kWait = 3000;
const char kTunnelHello[] = "hello from the tunnel\r\n";

struct ProxiedSocket : CWSocket {
    ProxiedSocket() { CreateInet(FALSE); }
};

} // namespace

TEST(WSocketSocks4, ReachesTheDestinationThroughDante)
{
    ProxiedSocket s;
    s.ConnectThroughSocks4(kHost, PeerPort("ECHO"), kHost, PeerPort("DANTE"), kWait);
    EXPECT_EQ("socks four", EchoRoundTrip(s, "socks four"));
}

TEST(WSocketSocks4, Failures)
{
    struct Case {
        const char* destination;
        const char* destinationPort;
        const char* proxy;
        int code;
        bool handleKept;
    } cases[] = {
        {kHost, "BLOCKED_ECHO", "DANTE", ERROR_BAD_NET_RESP, false},  // dante refuses the request
        {kHost, "ECHO", "SILENT", WSAETIMEDOUT, false},
        {kHost, "ECHO", "CLOSED", WSAECONNREFUSED, true},  // the proxy was never reached
        {kHost, "ECHO", "SOCKS5_CLOSE", WSAECONNRESET, false},  // hangs up without an answer
    };
    for (const Case& c : cases) {
        ProxiedSocket s;
        EXPECT_EQ(c.code, ThrownCode([&] {
            s.ConnectThroughSocks4(c.destination, PeerPort(c.destinationPort), kHost, PeerPort(c.proxy), 500);
        })) << c.proxy;
        EXPECT_EQ(c.handleKept, !!s.HasHandle()) << c.proxy;
    }
}

TEST(WSocketSocks4, DestinationIsResolvedHere)
{
    ProxiedSocket s;
    s.ConnectThroughSocks4("localhost", PeerPort("ECHO"), kHost, PeerPort("DANTE"), kWait);
    EXPECT_EQ("by name", EchoRoundTrip(s, "by name"));

    ProxiedSocket unknown;
    int code = ThrownCode([&] {
        unknown.ConnectThroughSocks4("no-such-host.invalid", PeerPort("ECHO"), kHost, PeerPort("DANTE"), kWait);
    });
    EXPECT_GE(code, WSAHOST_NOT_FOUND);
    EXPECT_LE(code, WSANO_DATA);
    EXPECT_FALSE(unknown.HasHandle());
}

TEST(WSocketSocks5, ReachesTheDestinationThroughDante)
{
    for (const char* destination : {kHost, "localhost"}) {  // an address, and a name dante resolves
        ProxiedSocket s;
        s.ConnectThroughSocks5(destination, PeerPort("ECHO"), kHost, PeerPort("DANTE"), nullptr, nullptr, kWait, FALSE);
        EXPECT_EQ("socks five", EchoRoundTrip(s, "socks five")) << destination;
    }
}

TEST(WSocketSocks5, DanteRefusalIsABadAnswer)
{
    ProxiedSocket s;
    EXPECT_EQ(ERROR_BAD_NET_RESP, ThrownCode([&] {
        s.ConnectThroughSocks5(kHost, PeerPort("BLOCKED_ECHO"), kHost, PeerPort("DANTE"), nullptr, nullptr, kWait,
                               FALSE);
    }));
    EXPECT_FALSE(s.HasHandle());
}

TEST(WSocketSocks5, UdpAssociateThroughDante)
{
    ProxiedSocket s;
    s.ConnectThroughSocks5("0.0.0.0", 0, kHost, PeerPort("DANTE"), nullptr, nullptr, kWait, TRUE);
    EXPECT_TRUE(s.HasHandle());
}

TEST(WSocketSocks5, UserNameAndPassword)
{
    const std::string longest(255, 'u');
    const std::string longPassword(256, 'p');
    struct Case {
        std::string user;
        const char* password;
        int code;
    } cases[] = {
        {"dorvik", "s3cret", 0},
        {longest, "s3cret", 0},
        {"dorvik", "wrong", ERROR_ACCESS_DENIED},
        {"dorvik", nullptr, ERROR_ACCESS_DENIED},  // an empty password
        {longest + "u", "s3cret", ERROR_INVALID_PARAMETER},  // refused, never cut to 255
        {"dorvik", longPassword.c_str(), ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        ProxiedSocket s;
        int code = ThrownCode([&] {
            s.ConnectThroughSocks5(kHost, PeerPort("ECHO"), kHost, PeerPort("SOCKS5_AUTH"), c.user.c_str(), c.password,
                                   kWait, FALSE);
        });
        EXPECT_EQ(c.code, code) << c.user.size();
        if (c.code == 0)
            EXPECT_EQ("logged in", EchoRoundTrip(s, "logged in"));
        else
            EXPECT_FALSE(s.HasHandle());
    }
}

TEST(WSocketSocks5, WithoutUserTheProxyMayNotAskForOne)
{
    ProxiedSocket plain;
    plain.ConnectThroughSocks5(kHost, PeerPort("ECHO"), kHost, PeerPort("SOCKS5_AUTH"), nullptr, nullptr, kWait, FALSE);
    EXPECT_EQ("no login", EchoRoundTrip(plain, "no login"));

    ProxiedSocket asked;
    EXPECT_EQ(WSAECONNREFUSED, ThrownCode([&] {
        asked.ConnectThroughSocks5(kHost, PeerPort("ECHO"), kHost, PeerPort("SOCKS5_METHOD2"), nullptr, nullptr, kWait,
                                   FALSE);
    }));
    EXPECT_FALSE(asked.HasHandle());
}

TEST(WSocketSocks5, OddAnswers)
{
    struct Case {
        const char* proxy;
        const char* user;
        int code;
    } cases[] = {
        {"SOCKS5_NOMETHOD", "dorvik", WSAECONNREFUSED},
        {"SOCKS5_IPV6", nullptr, ERROR_INVALID_PARAMETER},
        {"SOCKS5_FAIL", nullptr, ERROR_BAD_NET_RESP},
        {"SOCKS5_CLOSE", nullptr, WSAECONNRESET},
        {"SILENT", nullptr, WSAETIMEDOUT},
        {"CLOSED", nullptr, WSAECONNREFUSED},
    };
    for (const Case& c : cases) {
        ProxiedSocket s;
        EXPECT_EQ(c.code, ThrownCode([&] {
            s.ConnectThroughSocks5(kHost, PeerPort("ECHO"), kHost, PeerPort(c.proxy), c.user, "s3cret", 500, FALSE);
        })) << c.proxy;
        EXPECT_EQ(std::string(c.proxy) == "CLOSED", !!s.HasHandle()) << c.proxy;
    }
}

TEST(WSocketSocks5, BoundNameAnswerInPiecesLeavesTheTunnelDataAlone)
{
    ProxiedSocket s;
    s.ConnectThroughSocks5("some.name.example", 21, kHost, PeerPort("SOCKS5_DOMAIN"), nullptr, nullptr, kWait, FALSE);
    EXPECT_EQ(kTunnelHello, ReadSome(s, sizeof(kTunnelHello) - 1));
}

TEST(WSocketSocks5, DestinationNameLengths)
{
    ProxiedSocket tooLong;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ThrownCode([&] {
        tooLong.ConnectThroughSocks5(std::string(256, 'n').c_str(), 21, kHost, PeerPort("SOCKS5_AUTH"), nullptr,
                                     nullptr, kWait, FALSE);
    }));
    EXPECT_FALSE(tooLong.HasHandle());

    // The longest name goes to the proxy, which knows no such host.
    ProxiedSocket longest;
    EXPECT_EQ(ERROR_BAD_NET_RESP, ThrownCode([&] {
        longest.ConnectThroughSocks5(std::string(255, 'n').c_str(), 21, kHost, PeerPort("SOCKS5_AUTH"), nullptr,
                                     nullptr, kWait, FALSE);
    }));
}

TEST(WSocketHttpProxy, TunnelsToTheDestination)
{
    ProxiedSocket s;
    CStr reply;
    s.ConnectThroughHttpProxy(kHost, PeerPort("ECHO"), kHost, PeerPort("HTTP_TUNNEL"), reply, nullptr, nullptr, kWait,
                              nullptr);
    EXPECT_EQ(CStr("HTTP/1.0 200 Connection established\r\nProxy-agent: dorvik-test\r\n\r\n"), reply);
    EXPECT_EQ("through http", EchoRoundTrip(s, "through http"));
}

TEST(WSocketHttpProxy, RequestText)
{
    const std::string fiftyP(50, 'p');
    struct Case {
        const char* user;
        const char* password;
        const char* agent;
        const char* request;
    } cases[] = {
        {nullptr, nullptr, nullptr, "CONNECT ftp.example:2121 HTTP/1.0\r\n\r\n"},
        {nullptr, nullptr, "DorvikTest/1.0",
         "CONNECT ftp.example:2121 HTTP/1.0\r\nUser-Agent: DorvikTest/1.0\r\n\r\n"},
        // 61 bytes of credential: still one line
        {"dorvik-user-with-a-long-name", "and-a-password-that-is-long-too!", "DorvikTest/1.0",
         "CONNECT ftp.example:2121 HTTP/1.0\r\n"
         "Proxy-authorization: Basic "
         "ZG9ydmlrLXVzZXItd2l0aC1hLWxvbmctbmFtZTphbmQtYS1wYXNzd29yZC10aGF0LWlzLWxvbmctdG9vIQ==\r\n"
         "User-Agent: DorvikTest/1.0\r\n\r\n"},
        // 57 bytes: no line break after the credential, so the header does not end early
        {"dorvik", fiftyP.c_str(), nullptr,
         "CONNECT ftp.example:2121 HTTP/1.0\r\n"
         "Proxy-authorization: Basic "
         "ZG9ydmlrOnBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBw\r\n\r\n"},
    };
    for (const Case& c : cases) {
        ProxiedSocket s;
        CStr reply;
        s.ConnectThroughHttpProxy("ftp.example", 2121, kHost, PeerPort("HTTP_MIRROR"), reply, c.user, c.password,
                                  kWait, c.agent);
        EXPECT_EQ(CStr("HTTP/1.1 200 OK\r\n\r\n"), reply);
        std::string expected = c.request;
        EXPECT_EQ(expected, ReadSome(s, expected.size() + 1)) << "the proxy mirrors what it was sent";
    }
}

TEST(WSocketHttpProxy, RefusalKeepsTheAnswerForTheCaller)
{
    ProxiedSocket s;
    CStr reply;
    EXPECT_EQ(ERROR_CONNECTION_REFUSED, ThrownCode([&] {
        s.ConnectThroughHttpProxy(kHost, PeerPort("ECHO"), kHost, PeerPort("HTTP_DENY"), reply, "dorvik", "wrong", kWait,
                                  nullptr);
    }));
    EXPECT_EQ(CStr("HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"dorvik\"\r\n\r\n"),
              reply);
    EXPECT_FALSE(s.HasHandle());
}

TEST(WSocketHttpProxy, OddAnswers)
{
    struct Case {
        const char* proxy;
        int code;
        const char* replyStart;
    } cases[] = {
        {"HTTP_NOSTATUS", ERROR_BAD_NET_RESP, "garbage\r\n\r\n"},  // no status is no success
        // After the first space, anything but 200 is a refusal...
        {"HTTP_BADSTATUS", ERROR_CONNECTION_REFUSED, "HTTP/1.0 2000 OK\r\n\r\n"},
        {"HTTP_WORDSTATUS", ERROR_CONNECTION_REFUSED, "HTTP/1.0 OK\r\n\r\n"},
        // ...and a 200 counts only in an HTTP status line.
        {"HTTP_OTHERTEXT", ERROR_BAD_NET_RESP, "ICY 200 OK\r\n\r\n"},
        {"HTTP_CLOSE", WSAECONNRESET, "HTTP/1.0 200 OK\r\n"},
        {"HTTP_HUGE", ERROR_BAD_NET_RESP, "HTTP/1.0 200 OK\r\nX-Filler: "},  // a header without end
        {"SILENT", WSAETIMEDOUT, ""},
    };
    for (const Case& c : cases) {
        ProxiedSocket s;
        CStr reply;
        EXPECT_EQ(c.code, ThrownCode([&] {
            s.ConnectThroughHttpProxy(kHost, PeerPort("ECHO"), kHost, PeerPort(c.proxy), reply, nullptr, nullptr, 500,
                                      nullptr);
        })) << c.proxy;
        EXPECT_TRUE(reply.StartsWith(c.replyStart)) << c.proxy << ": " << reply.c_str();
        EXPECT_FALSE(s.HasHandle()) << c.proxy;
    }
}

TEST(WSocketHttpProxy, LongAnswerHeaderThenTunnelData)
{
    ProxiedSocket s;
    CStr reply;
    s.ConnectThroughHttpProxy(kHost, PeerPort("ECHO"), kHost, PeerPort("HTTP_BIG"), reply, nullptr, nullptr, kWait,
                              nullptr);
    EXPECT_GT(reply.GetLength(), 10000);
    EXPECT_TRUE(reply.EndsWith("X-Filler-00199: ffffffffffffffffffffffffffffffffffffffff\r\n\r\n"));
    EXPECT_EQ(kTunnelHello, ReadSome(s, sizeof(kTunnelHello) - 1));
}

TEST(WSocketHttpProxy, LineBreaksInTheRequestAreRefusedBeforeTheProxyIsReached)
{
    struct Case {
        const char* host;
        const char* user;
        const char* agent;
    } cases[] = {
        {"ftp.example\r\nX-Evil: 1", nullptr, nullptr},
        {"ftp.example", nullptr, "agent\n\nGET / HTTP/1.0"},
        {"ftp.example", "dor:vik", nullptr},  // the colon would move the user name's end
    };
    for (const Case& c : cases) {
        ProxiedSocket s;
        CStr reply;
        EXPECT_EQ(ERROR_INVALID_PARAMETER, ThrownCode([&] {
            s.ConnectThroughHttpProxy(c.host, 21, kHost, PeerPort("HTTP_MIRROR"), reply, c.user, "pw", kWait, c.agent);
        }));
        ASSERT_TRUE(s.HasHandle());
        CStr peer;
        UINT port;
        EXPECT_EQ(WSAENOTCONN, ThrownCode([&] { s.GetPeerAddress(peer, port); })) << "nothing was connected";
    }
}

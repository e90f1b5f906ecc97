// The server object without a network: accounts, roots, rights, the port window, and host text.
#include "BuiltinFtpServer.h"
#include "NarrowText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ServerObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        base = std::string(temp) + "ftpserver-object-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(base.c_str(), nullptr);
        CreateDirectoryA((base + "\\one").c_str(), nullptr);
        CreateDirectoryA((base + "\\two").c_str(), nullptr);
        HANDLE file = CreateFileA((base + "\\plain.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
    }
    void TearDown() override
    {
        DeleteFileA((base + "\\plain.txt").c_str());
        RemoveDirectoryA((base + "\\one").c_str());
        RemoveDirectoryA((base + "\\two").c_str());
        RemoveDirectoryA(base.c_str());
    }
    std::string base;
    CBuiltinFtpServer server;
};

TEST_F(ServerObject, PassivePortWindowMustFitBelow65535)
{
    EXPECT_TRUE(server.SetPassivePortWindow(10000, 1000));
    EXPECT_TRUE(server.SetPassivePortWindow(1, 65534));
    EXPECT_FALSE(server.SetPassivePortWindow(1, 65535));
    EXPECT_FALSE(server.SetPassivePortWindow(0, 10));
    EXPECT_FALSE(server.SetPassivePortWindow(100, 0));
    // Windows whose end would wrap past 2^32 and land inside the range again.
    EXPECT_FALSE(server.SetPassivePortWindow(10000, 0xFFFFFFFFu));
    EXPECT_FALSE(server.SetPassivePortWindow(1, 0xFFFFFFFFu));
    EXPECT_FALSE(server.SetPassivePortWindow(65535, 1));
    EXPECT_EQ(1, server.m_nPassivePortFirst);
    EXPECT_EQ(65534u, server.m_nPassivePortCount);
}

TEST_F(ServerObject, ControlPortRefusesBroadcastAndPortZero)
{
    EXPECT_FALSE(server.OpenControlPort(0xFFFFFFFFu, 21));
    EXPECT_FALSE(server.OpenControlPort(0, 0));
    EXPECT_FALSE(server.PortOpen());
}

TEST_F(ServerObject, AccountRootsAreCanonicalExistingFolders)
{
    std::string withSlash = base + "\\one\\";
    FtpAccount* bob = server.AddAccount("bob", "secret", withSlash.c_str());
    ASSERT_NE(nullptr, bob);
    CStr expected = (base + "\\one").c_str();
    expected.Replace("\\", "/");
    EXPECT_STREQ(expected.c_str(), bob->root.c_str());
    EXPECT_EQ(0, bob->rights);
    EXPECT_TRUE(bob->enabled);

    EXPECT_EQ(nullptr, server.AddAccount("file", "pw", (base + "\\plain.txt").c_str()));
    EXPECT_EQ(nullptr, server.AddAccount("missing", "pw", (base + "\\nowhere").c_str()));
    EXPECT_EQ(nullptr, server.AddAccount("bob", "other", (base + "\\two").c_str()));
    EXPECT_NE(nullptr, server.AddAccount("Bob", "other", (base + "\\two").c_str()));
    EXPECT_EQ(nullptr, server.AddAccount("nopass", "", (base + "\\two").c_str()));
    EXPECT_EQ(nullptr, server.AddAccount("ANONYMOUS", "pw", (base + "\\two").c_str()));
    EXPECT_EQ(nullptr, server.AddAccount("", "pw", (base + "\\two").c_str()));
    EXPECT_EQ(bob, server.FindAccount("bob"));
    EXPECT_NE(bob, server.FindAccount("Bob"));
}

TEST_F(ServerObject, RightsAbove63AreRefusedAndKeepTheOldValue)
{
    FtpAccount* bob = server.AddAccount("bob", "secret", (base + "\\one").c_str());
    ASSERT_NE(nullptr, bob);
    EXPECT_TRUE(server.SetAccountRights(bob, 63));
    EXPECT_FALSE(server.SetAccountRights(bob, 64));
    EXPECT_EQ(63, bob->rights);
    EXPECT_FALSE(server.SetAccountLoginLimit(bob, -2));
    EXPECT_TRUE(server.SetAccountLoginLimit(bob, -1));
}

TEST_F(ServerObject, AnonymousAccessKeepsItsFirstRoot)
{
    EXPECT_FALSE(server.SetAnonymousAccess(true, (base + "\\nowhere").c_str()));
    EXPECT_FALSE(server.AnonymousEnabled());
    ASSERT_TRUE(server.SetAnonymousAccess(true, (base + "\\one").c_str()));
    ASSERT_TRUE(server.SetAnonymousAccess(true, (base + "\\two").c_str()));
    ASSERT_NE(nullptr, server.m_pAnonymousAccount);
    EXPECT_TRUE(server.m_pAnonymousAccount->root.EndsWith("/one"));
    EXPECT_EQ(FTP_RIGHT_READFILE | FTP_RIGHT_LIST, server.m_pAnonymousAccount->rights);
    EXPECT_FALSE(server.m_pAnonymousAccount->hasPassword);
    EXPECT_TRUE(server.SetAnonymousAccess(false, nullptr));
    EXPECT_EQ(nullptr, server.FindAccount("anonymous"));
}

TEST_F(ServerObject, RemovedAccountsLeaveTheList)
{
    FtpAccount* a = server.AddAccount("a", "1", (base + "\\one").c_str());
    FtpAccount* b = server.AddAccount("b", "2", (base + "\\one").c_str());
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(server.RemoveAccount(a));
    EXPECT_EQ(nullptr, server.FindAccount("a"));
    EXPECT_EQ(b, server.m_pFirstAccount);
    EXPECT_EQ(b, server.m_pLastAccount);
    EXPECT_FALSE(server.RemoveAccount(nullptr));
}

unsigned short FreePort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    closesocket(s);
    return ntohs(a.sin_port);
}

// The greeting from a server on port, or "" when nothing answers.
std::string Greeting(unsigned short port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    std::string text;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        char buffer[64];
        int got = recv(s, buffer, sizeof buffer, 0);
        if (got > 0)
            text.assign(buffer, static_cast<size_t>(got));
    }
    closesocket(s);
    return text;
}

TEST_F(ServerObject, ReopeningMovesTheListenerAndStopsTheOldAcceptor)
{
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 1), &wsa));
    unsigned short first = FreePort(), second = FreePort();
    ASSERT_TRUE(server.OpenControlPort(htonl(INADDR_LOOPBACK), first));
    ASSERT_TRUE(server.LaunchAcceptor());
    EXPECT_EQ("220 Pellor Ftp Server.\r\n", Greeting(first));
    ASSERT_TRUE(server.OpenControlPort(htonl(INADDR_LOOPBACK), second));
    ASSERT_TRUE(server.LaunchAcceptor());
    EXPECT_EQ(second, server.ListeningPort());
    EXPECT_EQ("220 Pellor Ftp Server.\r\n", Greeting(second));
    EXPECT_EQ("", Greeting(first));
    CBuiltinFtpServer other;  // the port is taken: not listening, no error
    EXPECT_FALSE(other.OpenControlPort(htonl(INADDR_LOOPBACK), second));
    EXPECT_FALSE(other.PortOpen());
    EXPECT_TRUE(server.CloseControlPort());
    EXPECT_FALSE(server.PortOpen());
    EXPECT_EQ("", Greeting(second));
    WSACleanup();
}

TEST(NarrowExactAnsi, RefusesCharactersTheCodePageCannotHold)
{
    CStr narrow;
    EXPECT_TRUE(NarrowExactAnsi(L"bob", narrow));
    EXPECT_STREQ("bob", narrow.c_str());
    EXPECT_TRUE(NarrowExactAnsi(nullptr, narrow));
    EXPECT_TRUE(narrow.IsEmpty());
    // Neither a best-fit letter nor '?' may stand in for these.
    EXPECT_FALSE(NarrowExactAnsi(L"\u0141ukasz", narrow));   // L with stroke
    EXPECT_FALSE(NarrowExactAnsi(L"pass\u4E2D", narrow));    // a CJK character
    EXPECT_FALSE(NarrowExactAnsi(L"\u2126", narrow));        // OHM SIGN, best-fit to a letter
}

}  // namespace

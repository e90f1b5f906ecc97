// A stand-in for the control around the built-in server: a message-only window that answers the login
// exchange, accounts and limits from the command line, and a control folder through which a test script
// asks for login counts, account removal, a closed port, or the end.
//
//   FtpTestHost --port N --control DIR [--user NAME PASS ROOT RIGHTS]... [--anonymous ROOT]
//               [--refuse NAME]... [--silent NAME]... [--stale NAME]... [--close NAME]...
//               [--late-close NAME]... [--passive FIRST COUNT] [--limit KEY VALUE]...
//               [--max-logins NAME N]... [--listen-any]
//
// --listen-any listens on every address, as the control does; otherwise on 127.0.0.1 only.
//
// Events are appended to DIR/events.txt as "connected USER ADDRESS" and "disconnected USER ADDRESS".
#include "BuiltinFtpServer.h"
#include "ServerMessages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

CBuiltinFtpServer* g_server = nullptr;
std::string g_control;
std::set<std::string> g_refused;   // the host sets Cancel for these users
std::set<std::string> g_silent;    // the host never answers for these users
std::set<std::string> g_stale;     // a stale "accept" with the wrong cookie comes first, then a refusal
std::set<std::string> g_closing;   // the session thread is sent WM_CLOSE instead of an answer
std::set<std::string> g_lateClose; // no answer; WM_CLOSE goes to that thread when the next login comes
DWORD g_lateCloseThread = 0;

std::string ControlFile(const char* name)
{
    return g_control + "\\" + name;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Kept open for the host's life and flushed after every line: opening it per line would cost the
// login exchange several calls to the Wine server, which benchmarks of many sessions would count.
void AppendEvent(const std::string& line)
{
    static FILE* events = std::fopen(ControlFile("events.txt").c_str(), "ab");
    if (!events)
        return;
    std::fprintf(events, "%s\n", line.c_str());
    std::fflush(events);
}

// Written whole under a temporary name, then renamed, so a script never reads half a file.
void WriteAnswer(const char* name, const std::string& text)
{
    std::string temp = ControlFile("answer.tmp");
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return;
    std::fputs(text.c_str(), file);
    std::fclose(file);
    MoveFileExA(temp.c_str(), ControlFile(name).c_str(), MOVEFILE_REPLACE_EXISTING);
}

void ServeControlRequests()
{
    if (Exists(ControlFile("counts"))) {
        DeleteFileA(ControlFile("counts").c_str());
        std::string text;
        g_server->Lock();
        for (FtpAccount* a = g_server->m_pFirstAccount; a; a = a->next)
            text += std::string(a->name.c_str()) + " " + std::to_string(a->loginCount) + "\n";
        int sessions = 0;
        for (FtpSession* s = g_server->m_pFirstSession; s; s = s->next)
            ++sessions;
        g_server->Unlock();
        text += "sessions " + std::to_string(sessions) + "\n";
        WriteAnswer("counts.out", text);
    }
    if (Exists(ControlFile("remove"))) {
        FILE* file = std::fopen(ControlFile("remove").c_str(), "rb");
        char name[256] = {};
        if (file) {
            if (!std::fgets(name, sizeof name, file))
                name[0] = 0;
            std::fclose(file);
        }
        DeleteFileA(ControlFile("remove").c_str());
        name[std::strcspn(name, "\r\n")] = 0;
        bool removed = g_server->RemoveAccount(g_server->FindAccount(name));
        WriteAnswer("remove.out", removed ? "removed\n" : "missing\n");
    }
    if (Exists(ControlFile("closeport"))) {
        DeleteFileA(ControlFile("closeport").c_str());
        g_server->CloseControlPort();
        WriteAnswer("closeport.out", "closed\n");
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_FTPSERVER_CLIENT_CONNECTED) {
        CClientNotice* notice = reinterpret_cast<CClientNotice*>(wParam);
        std::string user = notice->m_strUser.c_str();
        // A message meant for an exchange that has given up, arriving while the next one waits.
        if (g_lateCloseThread) {
            PostThreadMessageA(g_lateCloseThread, WM_CLOSE, 0, 0);
            g_lateCloseThread = 0;
        }
        AppendEvent("connected " + user + " " + notice->m_strAddress.c_str());
        if (g_stale.count(user)) {
            PostThreadMessageA(notice->m_nSessionThreadId, WM_FTPSERVER_CONNECT_REPLY, 0, notice->m_nCookie + 1);
            AnswerClientConnected(*notice, 1);
        } else if (g_closing.count(user)) {
            PostThreadMessageA(notice->m_nSessionThreadId, WM_CLOSE, 0, 0);
        } else if (g_lateClose.count(user)) {
            g_lateCloseThread = notice->m_nSessionThreadId;
        } else if (!g_silent.count(user)) {
            AnswerClientConnected(*notice, g_refused.count(user) ? 1 : 0);
        }
        delete notice;
        return 0;
    }
    if (message == WM_FTPSERVER_CLIENT_DISCONNECTED) {
        CClientNotice* notice = reinterpret_cast<CClientNotice*>(wParam);
        AppendEvent(std::string("disconnected ") + notice->m_strUser.c_str() + " " + notice->m_strAddress.c_str());
        delete notice;
        return 0;
    }
    if (message == WM_TIMER) {
        ServeControlRequests();
        if (Exists(ControlFile("stop")))
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int Fail(const char* what)
{
    std::fprintf(stderr, "FtpTestHost: %s\n", what);
    return 2;
}

void SetLimit(FtpServerLimits& limits, const std::string& key, long value)
{
    if (key == "sessions") limits.maxSessions = static_cast<int>(value);
    else if (key == "per-address") limits.maxSessionsPerAddress = static_cast<int>(value);
    else if (key == "login-ms") limits.loginTimeoutMs = static_cast<DWORD>(value);
    else if (key == "idle-ms") limits.idleTimeoutMs = static_cast<DWORD>(value);
    else if (key == "answer-ms") limits.loginAnswerTimeoutMs = static_cast<DWORD>(value);
    else if (key == "data-ms") limits.dataTimeoutMs = static_cast<DWORD>(value);
    else if (key == "reply-ms") limits.replyTimeoutMs = static_cast<DWORD>(value);
    else if (key == "failed-logins") limits.maxFailedLogins = static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv)
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 1), &wsa) != 0)
        return Fail("WSAStartup failed");

    int port = 0;
    unsigned short passiveFirst = 10000;
    unsigned long passiveCount = 1000;
    FtpServerLimits limits;
    struct UserArg { std::string name, password, root; int rights; };
    std::vector<UserArg> users;
    std::vector<std::pair<std::string, int>> loginLimits;
    std::string anonymousRoot;
    u_long listenAddress = INADDR_LOOPBACK;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto more = [&](int n) { return i + n < argc; };
        if (arg == "--port" && more(1)) port = std::atoi(argv[++i]);
        else if (arg == "--control" && more(1)) g_control = argv[++i];
        else if (arg == "--user" && more(4)) {
            users.push_back({argv[i + 1], argv[i + 2], argv[i + 3], std::atoi(argv[i + 4])});
            i += 4;
        } else if (arg == "--anonymous" && more(1)) anonymousRoot = argv[++i];
        else if (arg == "--refuse" && more(1)) g_refused.insert(argv[++i]);
        else if (arg == "--silent" && more(1)) g_silent.insert(argv[++i]);
        else if (arg == "--stale" && more(1)) g_stale.insert(argv[++i]);
        else if (arg == "--close" && more(1)) g_closing.insert(argv[++i]);
        else if (arg == "--late-close" && more(1)) g_lateClose.insert(argv[++i]);
        else if (arg == "--listen-any") listenAddress = INADDR_ANY;
        else if (arg == "--passive" && more(2)) {
            passiveFirst = static_cast<unsigned short>(std::atoi(argv[i + 1]));
            passiveCount = std::strtoul(argv[i + 2], nullptr, 10);
            i += 2;
        } else if (arg == "--max-logins" && more(2)) {
            loginLimits.emplace_back(argv[i + 1], std::atoi(argv[i + 2]));
            i += 2;
        } else if (arg == "--limit" && more(2)) {
            SetLimit(limits, argv[i + 1], std::atol(argv[i + 2]));
            i += 2;
        } else {
            return Fail(("unknown or incomplete argument " + arg).c_str());
        }
    }
    if (port <= 0 || port > 65535 || g_control.empty())
        return Fail("--port and --control are required");

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FtpTestHostWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "1", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!window)
        return Fail("no window");
    SetTimer(window, 1, 50, nullptr);

    int status = 0;
    {
        CBuiltinFtpServer server;
        g_server = &server;
        server.SetLimits(limits);
        for (const UserArg& u : users) {
            FtpAccount* account = server.AddAccount(u.name.c_str(), u.password.c_str(), u.root.c_str());
            if (!account || !server.SetAccountRights(account, static_cast<unsigned char>(u.rights))) {
                std::fprintf(stderr, "FtpTestHost: account %s refused\n", u.name.c_str());
                status = 3;
            }
        }
        for (const auto& limit : loginLimits) {
            if (!server.SetAccountLoginLimit(server.FindAccount(limit.first.c_str()), limit.second))
                status = 3;
        }
        if (!anonymousRoot.empty() && !server.SetAnonymousAccess(true, anonymousRoot.c_str()))
            std::fprintf(stderr, "FtpTestHost: anonymous access refused\n");
        server.SetEventWindow(window);
        server.SetPassivePortWindow(passiveFirst, passiveCount);
        if (!server.OpenControlPort(htonl(listenAddress), static_cast<unsigned short>(port)) || !server.LaunchAcceptor()) {
            std::fprintf(stderr, "FtpTestHost: cannot listen on %d\n", port);
            status = 4;
        } else {
            WriteAnswer("ready", "ready\n");
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        // Destroying the server joins every thread it started; the script times how long this takes.
    }
    g_server = nullptr;
    WriteAnswer("stopped", "stopped\n");
    DestroyWindow(window);
    WSACleanup();
    return status;
}

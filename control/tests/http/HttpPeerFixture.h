// A control with a recording sink, and the peers that run-http-tests.sh started: nginx, and the
// scripted peer that also receives uploads. Folders arrive as Windows paths in the environment.
#ifndef DORVIK_TESTS_HTTPPEERFIXTURE_H
#define DORVIK_TESTS_HTTPPEERFIXTURE_H

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ControlFixture.h"
#include "RecordingSink.h"

inline std::string EnvText(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

inline std::wstring Widen(const std::string& s)
{
    std::wstring w;
    for (unsigned char c : s)
        w += static_cast<wchar_t>(c);
    return w;
}

inline std::string Narrow(const std::wstring& w)
{
    std::string s;
    for (wchar_t c : w)
        s += static_cast<char>(c);
    return s;
}

inline bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

// The bytes the scripted peer sends as a body of n bytes.
inline std::string PeerBody(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 31 + 7) % 256);
    return s;
}

class Bstr {
public:
    explicit Bstr(const std::string& s) : m_b(SysAllocString(Widen(s).c_str())) {}
    ~Bstr() { SysFreeString(m_b); }
    operator BSTR() const { return m_b; }

private:
    BSTR m_b;
};

class HttpPeers : public ControlLibrary {
protected:
    IDorvikFTPCtrl* control = nullptr;
    RecordingSink sink;
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;

    void SetUp() override
    {
        ControlLibrary::SetUp();
        ASSERT_FALSE(EnvText("DORVIK_HTTP_PEER_PORT").empty()) << "run me through run-http-tests.sh";
        control = NewControl();
        ASSERT_NE(nullptr, control);
        IConnectionPointContainer* container = nullptr;
        control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point));
        container->Release();
        ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&sink), &cookie));
    }
    void TearDown() override
    {
        if (point) {
            point->Unadvise(cookie);
            point->Release();
        }
        if (control)
            control->Release();
        ControlLibrary::TearDown();
    }

    static std::string NginxUrl(const std::string& path)
    {
        return "http://127.0.0.1:" + EnvText("DORVIK_HTTP_NGINX_PORT") + path;
    }
    static std::string PeerUrl(const std::string& path)
    {
        return "http://127.0.0.1:" + EnvText("DORVIK_HTTP_PEER_PORT") + path;
    }
    static std::string PeerServer() { return "127.0.0.1:" + EnvText("DORVIK_HTTP_PEER_PORT"); }
    static std::string Served(const std::string& name) { return EnvText("DORVIK_HTTP_WWW") + "\\" + name; }
    static std::string PeerFile(const std::string& name) { return EnvText("DORVIK_HTTP_PEER_DIR") + "\\" + name; }
    // A fresh local path: whatever an earlier test left there is gone.
    static std::string Work(const std::string& name)
    {
        std::string path = EnvText("DORVIK_HTTP_WORK") + "\\" + name;
        DeleteFileA(path.c_str());
        return path;
    }
    static std::string RequestLog() { return ReadWholeFile(PeerFile("requests.log")); }

    // A port with nothing listening on it.
    static int ClosedPort()
    {
        WSADATA data;
        WSAStartup(0x0202, &data);
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = inet_addr("127.0.0.1");
        bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        int len = sizeof(a);
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        closesocket(s);
        WSACleanup();
        return ntohs(a.sin_port);
    }

    HRESULT Fetch(const std::string& url, const std::string& local, const std::string& user = "",
                  const std::string& password = "", long resume = 0)
    {
        sink.events.clear();
        return control->GetFromURL(Bstr(url), Bstr(local), Bstr(user), Bstr(password), resume);
    }

    // The description of the calling thread's error object, as a host would read it.
    static std::string ErrorText()
    {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) != S_OK || !info)
            return "<no error object>";
        BSTR text = nullptr;
        info->GetDescription(&text);
        std::string s = text ? Narrow(std::wstring(text, SysStringLen(text))) : "";
        SysFreeString(text);
        info->Release();
        return s;
    }

    std::vector<std::string> Replies() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : sink.events) {
            if (e.id == 3)
                out.push_back(Narrow(e.texts.at(0)));
        }
        return out;
    }
    std::vector<long> Progress() const
    {
        std::vector<long> out;
        for (const RecordedEvent& e : sink.events) {
            if (e.id == 4)
                out.push_back(static_cast<long>(e.numbers.at(0)));
        }
        return out;
    }
    // 2048, 4096, ... up to the last multiple within bytes: one event per multiple reached.
    static std::vector<long> ProgressMarks(long bytes)
    {
        std::vector<long> marks;
        for (long m = 2048; m <= bytes; m += 2048)
            marks.push_back(m);
        return marks;
    }
};

#endif

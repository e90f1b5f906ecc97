// The fixture of the engine tests: a control with a recording sink whose handler can call back
// into the control, the peers' ports from the environment, and small readers of the results.
#ifndef DORVIK_TESTS_ENGINETESTSUPPORT_H
#define DORVIK_TESTS_ENGINETESTSUPPORT_H

#include "../ControlFixture.h"
#include "../RecordingSink.h"

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// Narrow text in the thread's ANSI code page, as the control keeps it.
inline std::string Narrow(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

inline std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

inline std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

inline long EnvPort(const char* name)
{
    return std::atol(Env(name).c_str());
}

// A loopback port that nobody listens on at the moment.
inline long FreeLoopbackPort()
{
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int length = sizeof(a);
    getsockname(probe, reinterpret_cast<sockaddr*>(&a), &length);
    closesocket(probe);
    return ntohs(a.sin_port);
}

// A BSTR argument that frees itself.
class Arg {
public:
    explicit Arg(const std::string& text) : m_b(SysAllocString(Widen(text).c_str())) {}
    Arg(const char* data, size_t length)
    {
        std::wstring w = Widen(std::string(data, length));
        m_b = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    }
    ~Arg() { SysFreeString(m_b); }
    operator BSTR() const { return m_b; }

private:
    BSTR m_b;
};

// Records every event, then lets the test's hook act on it (from inside the control's wait).
class HookSink : public RecordingSink {
public:
    std::function<void(const RecordedEvent&)> hook;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                        UINT* a) override
    {
        HRESULT hr = RecordingSink::Invoke(id, riid, lcid, flags, p, r, e, a);
        if (hook) {
            RecordedEvent copy = events.back();
            hook(copy);
        }
        return hr;
    }
};

class EngineTest : public ControlLibrary {
protected:
    IDorvikFTPCtrl* ctl = nullptr;
    HookSink sink;
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;

    void SetUp() override
    {
        ControlLibrary::SetUp();
        ctl = NewControl();
        ASSERT_NE(nullptr, ctl);
        IConnectionPointContainer* container = nullptr;
        ASSERT_EQ(S_OK, ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point));
        container->Release();
        ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
        ctl->put_Timeout(10);
        ctl->put_ServerName(Arg("127.0.0.1"));
    }
    void TearDown() override
    {
        sink.hook = nullptr;
        if (ctl) {
            ctl->Disconnect();
            point->Unadvise(cookie);
            point->Release();
            ctl->Release();
        }
        ControlLibrary::TearDown();
    }

    void Server(const char* portVariable, const std::string& user = "dorvik", const std::string& password = "secret")
    {
        ctl->put_ServerPort(EnvPort(portVariable));
        ctl->put_Username(Arg(user));
        ctl->put_Password(Arg(password));
    }

    static std::string ErrorText()
    {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) != S_OK || !info)
            return "";
        BSTR d = nullptr;
        info->GetDescription(&d);
        std::string text = d ? Narrow(std::wstring(d, SysStringLen(d))) : "";
        SysFreeString(d);
        info->Release();
        return text;
    }

    std::string Text(HRESULT (STDMETHODCALLTYPE IDorvikFTPCtrl::*getter)(BSTR*))
    {
        BSTR b = nullptr;
        (ctl->*getter)(&b);
        std::string text = b ? Narrow(std::wstring(b, SysStringLen(b))) : "";
        SysFreeString(b);
        return text;
    }
    std::string LastText() { return Text(&IDorvikFTPCtrl::get_LastServerResponseText); }
    std::string Cwd() { return Text(&IDorvikFTPCtrl::get_CurrentWorkingDirectory); }
    long LastCode()
    {
        long v = -1;
        ctl->get_LastServerResponse(&v);
        return v;
    }
    long Connected()
    {
        long v = -1;
        ctl->get_IsConnected(&v);
        return v;
    }
    long Busy()
    {
        long v = -1;
        ctl->get_Busy(&v);
        return v;
    }

    std::vector<long> States() const
    {
        std::vector<long> out;
        for (const RecordedEvent& e : sink.events)
            if (e.id == 2)
                out.push_back(static_cast<long>(e.numbers.at(0)));
        return out;
    }
    std::vector<std::string> Replies() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : sink.events)
            if (e.id == 3)
                out.push_back(Narrow(e.texts.at(0)));
        return out;
    }
    std::vector<const RecordedEvent*> EventsOf(DISPID id) const
    {
        std::vector<const RecordedEvent*> out;
        for (const RecordedEvent& e : sink.events)
            if (e.id == id)
                out.push_back(&e);
        return out;
    }

    // The host's own message loop until a background transfer has ended (or the time is up).
    void PumpWhileBusy(DWORD milliseconds = 20000)
    {
        DWORD until = GetTickCount() + milliseconds;
        while (Busy() && GetTickCount() < until) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            Sleep(1);
        }
    }

    // Asks the server for the commands of this session (the fake servers answer HIST).
    std::string FakeHistory(const char* verb = "HIST")
    {
        EXPECT_EQ(S_OK, ctl->Quote(Arg(verb)));
        return LastText();
    }
};

// The host's own loop for a while, one message at a time, like a host's: a running upload always
// has its next notice waiting, so "until the queue is empty" would mean "until the upload is over".
inline void PumpFor(DWORD milliseconds)
{
    DWORD until = GetTickCount() + milliseconds;
    while (GetTickCount() < until) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            Sleep(1);
    }
}

// Calls a function from a thread timer, that is from inside the control's message pump.
class TimerCall {
public:
    TimerCall(UINT milliseconds, std::function<void()> call)
    {
        Current() = std::move(call);
        m_id = SetTimer(nullptr, 0, milliseconds, &TimerCall::Fire);
    }
    ~TimerCall()
    {
        KillTimer(nullptr, m_id);
        Current() = nullptr;
    }

private:
    static std::function<void()>& Current()
    {
        static std::function<void()> call;
        return call;
    }
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        if (Current()) {
            std::function<void()> call = Current();
            Current() = nullptr;
            call();
        }
    }
    UINT_PTR m_id;
};

#endif

// A host of the control for the built-in server tests: it reads one command per line on stdin,
// runs it on its own (apartment) thread, and prints the results and the server's events on stdout.
//   adduser NAME PASSWORD ROOT RIGHTS | start PORT | stop | refuse NAME | release | quit
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "../ControlFixture.h"
#include "../RecordingSink.h"

namespace {

const UINT WM_HOST_COMMAND = WM_APP + 1;
DWORD g_mainThread = 0;

std::string Narrow(const std::wstring& w)
{
    return std::string(w.begin(), w.end());
}

void Say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Prints every login and logout; refuses the users it was told to refuse.
class ServerEventSink : public RecordingSink {
public:
    std::set<std::wstring> refused;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id == 8 && p->cArgs == 3) {
            std::wstring user(V_BSTR(&p->rgvarg[2]), SysStringLen(V_BSTR(&p->rgvarg[2])));
            std::wstring address(V_BSTR(&p->rgvarg[1]), SysStringLen(V_BSTR(&p->rgvarg[1])));
            bool refuse = refused.count(user) != 0;
            if (refuse)
                *V_I4REF(&p->rgvarg[0]) = 1;
            Say("event connected " + Narrow(user) + " " + Narrow(address) + (refuse ? " refused" : ""));
        } else if (id == 9 && p->cArgs == 2) {
            Say("event disconnected " + Narrow(std::wstring(V_BSTR(&p->rgvarg[1]))) + " " +
                Narrow(std::wstring(V_BSTR(&p->rgvarg[0]))));
        }
        return S_OK;
    }
};

DWORD WINAPI ReadCommands(void*)
{
    char line[4096];
    while (std::fgets(line, sizeof(line), stdin)) {
        line[std::strcspn(line, "\r\n")] = 0;
        PostThreadMessageA(g_mainThread, WM_HOST_COMMAND, 0, reinterpret_cast<LPARAM>(_strdup(line)));
    }
    PostThreadMessageA(g_mainThread, WM_HOST_COMMAND, 0, reinterpret_cast<LPARAM>(_strdup("quit")));
    return 0;
}

BSTR Wide(const std::string& s)
{
    std::wstring w(s.begin(), s.end());
    return SysAllocString(w.c_str());
}

std::string LastError()
{
    IErrorInfo* info = nullptr;
    std::string text = "?";
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR d = nullptr;
        info->GetDescription(&d);
        text = Narrow(std::wstring(d ? d : L""));
        SysFreeString(d);
        info->Release();
    }
    return text;
}

} // namespace

int main()
{
    g_mainThread = GetCurrentThreadId();
    CoInitialize(nullptr);
    HMODULE dll = LoadLibraryA("DorvikFTP.dll");
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    getClassObject(CLSID_DorvikFTPCtrl, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    IDorvikFTPCtrl* control = nullptr;
    factory->CreateInstance(nullptr, IID_IDorvikFTPCtrl, reinterpret_cast<void**>(&control));
    factory->Release();

    ServerEventSink sink;
    IConnectionPointContainer* container = nullptr;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    IConnectionPoint* point = nullptr;
    container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point);
    container->Release();
    DWORD cookie = 0;
    point->Advise(static_cast<IDispatch*>(&sink), &cookie);
    point->Release();

    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);   // the queue exists before the reader posts
    CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
    Say("ready");

    bool running = true;
    while (running && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != WM_HOST_COMMAND || msg.hwnd) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        char* text = reinterpret_cast<char*>(msg.lParam);
        std::istringstream in(text);
        std::free(text);
        std::string verb;
        in >> verb;
        if (verb == "adduser") {
            std::string name, password, root;
            long rights = 0;
            in >> name >> password >> root >> rights;
            if (password == "-")
                password.clear();
            BSTR n = Wide(name), p = Wide(password), r = Wide(root);
            HRESULT hr = control ? control->ServerAddUser(n, p, r, static_cast<DFTP_SERVER_PERMISSIONS>(rights)) : E_FAIL;
            SysFreeString(n), SysFreeString(p), SysFreeString(r);
            Say(hr == S_OK ? "ok" : "error " + LastError());
        } else if (verb == "start") {
            long port = 0;
            in >> port;
            Say(control->StartServer(port) == S_OK ? "ok" : "error");
        } else if (verb == "stop") {
            Say(control->StopServer() == S_OK ? "ok" : "error");
        } else if (verb == "refuse") {
            std::string name;
            in >> name;
            sink.refused.insert(std::wstring(name.begin(), name.end()));
            Say("ok");
        } else if (verb == "release") {
            control->Release();
            control = nullptr;
            Say("released");
        } else if (verb == "quit") {
            running = false;
        }
    }
    if (control)
        control->Release();
    CoUninitialize();
    Say("bye");
    return 0;
}

// A short FTP session of the DorvikFTP control against its own built-in server.
//
// One control serves a temporary folder; a second control, created the same way any host
// creates it (by ProgID, through COM), logs in to it, lists the folder, uploads a file, downloads
// it again and checks the bytes. Every event the client control raises is printed as it comes.
#include <winsock2.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DorvikFTP_h.h"

namespace {

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        out += *text < 128 ? static_cast<char>(*text) : '?';
    return out;
}

// Prints each event of the control it is advised on.
class PrintingSink : public IDispatch {
public:
    explicit PrintingSink(const char* who) : m_who(who) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, DIID__IDorvikFTPCtrlEvents)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override
    {
        // Arguments arrive last first.
        VARIANT* a = p->rgvarg;
        static const char* states[] = {"not connected", "connected", "connecting", "authorizing", "listing",
                                       "downloading", "uploading", "processing", "logged in"};
        switch (id) {
        case 2: {
            long s = V_I4(&a[0]);
            std::printf("  [%s] StateChange: %s\n", m_who, s >= 0 && s <= 8 ? states[s] : "?");
            break;
        }
        case 3: std::printf("  [%s] Reply: %s\n", m_who, Narrow(V_BSTR(&a[0])).c_str()); break;
        case 4: std::printf("  [%s] TransferProgress: %ld bytes\n", m_who, static_cast<long>(V_I4(&a[0]))); break;
        case 5:
            std::printf("  [%s] EnumFile: %s (%.0f bytes)\n", m_who, Narrow(V_BSTR(&a[5])).c_str(), V_R8(&a[4]));
            break;
        case 6:
            std::printf("  [%s] TransferStarting: %s <-> %s\n", m_who, Narrow(V_BSTR(&a[2])).c_str(),
                        Narrow(V_BSTR(&a[1])).c_str());
            break;
        case 7:
            std::printf("  [%s] TransferComplete: %ld bytes\n", m_who, static_cast<long>(V_I4(&a[0])));
            break;
        case 8:
            std::printf("  [%s] ClientConnected: %s from %s\n", m_who, Narrow(V_BSTR(&a[2])).c_str(),
                        Narrow(V_BSTR(&a[1])).c_str());
            break;
        case 9:
            std::printf("  [%s] ClientDisconnected: %s from %s\n", m_who, Narrow(V_BSTR(&a[1])).c_str(),
                        Narrow(V_BSTR(&a[0])).c_str());
            break;
        }
        std::fflush(stdout);
        return S_OK;
    }

private:
    const char* m_who;
};

IDorvikFTPCtrl* CreateControl(PrintingSink* sink)
{
    CLSID clsid;
    IDorvikFTPCtrl* control = nullptr;
    if (FAILED(CLSIDFromProgID(L"DorvikFTP.DorvikFTPCtrl", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDorvikFTPCtrl,
                                reinterpret_cast<void**>(&control))))
        return nullptr;
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point);
    point->Advise(sink, &cookie);
    point->Release();
    container->Release();
    return control;
}

// The control reports a failure through the thread's error object.
bool Check(HRESULT hr, const char* what)
{
    if (SUCCEEDED(hr))
        return true;
    std::string why = "?";
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR text = nullptr;
        info->GetDescription(&text);
        why = Narrow(text);
        SysFreeString(text);
        info->Release();
    }
    std::printf("%s failed: %s\n", what, why.c_str());
    return false;
}

BSTR B(const std::string& s)
{
    std::wstring w(s.begin(), s.end());
    return SysAllocString(w.c_str());
}

long FreePort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int len = sizeof(a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    return ntohs(a.sin_port);
}

std::vector<char> ReadFileBytes(const std::string& path)
{
    std::vector<char> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[65536];
        size_t n;
        while ((n = std::fread(block, 1, sizeof(block), f)) > 0)
            bytes.insert(bytes.end(), block, block + n);
        std::fclose(f);
    }
    return bytes;
}

} // namespace

int main()
{
    CoInitialize(nullptr);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string work = std::string(temp) + "DorvikFTP-demo-" + std::to_string(GetCurrentProcessId());
    const std::string served = work + "\\served", local = work + "\\local";
    CreateDirectoryA(work.c_str(), nullptr);
    CreateDirectoryA(served.c_str(), nullptr);
    CreateDirectoryA(local.c_str(), nullptr);
    if (FILE* f = std::fopen((served + "\\welcome.txt").c_str(), "wb")) {
        std::fputs("Welcome to the DorvikFTP built-in server.\r\n", f);
        std::fclose(f);
    }
    std::vector<char> payload(300000);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>((i * 7919) >> 3);
    if (FILE* f = std::fopen((local + "\\upload.bin").c_str(), "wb")) {
        std::fwrite(payload.data(), 1, payload.size(), f);
        std::fclose(f);
    }

    PrintingSink serverEvents("server"), clientEvents("client");
    IDorvikFTPCtrl* server = CreateControl(&serverEvents);
    IDorvikFTPCtrl* client = CreateControl(&clientEvents);
    if (!server || !client) {
        std::printf("The control is not registered: run regsvr32 DorvikFTP.dll first.\n");
        return 1;
    }
    BSTR version = nullptr;
    client->get_Version(&version);
    std::printf("DorvikFTP control %s\n", Narrow(version).c_str());
    SysFreeString(version);

    const long port = FreePort();
    std::printf("\n1. The server control serves %s on port %ld for user \"demo\".\n", served.c_str(), port);
    bool ok = Check(server->ServerAddUser(B("demo"), B("demo-password"), B(served), DFPERM_ALL), "ServerAddUser") &&
              Check(server->StartServer(port), "StartServer");

    std::printf("\n2. The client control logs in.\n");
    client->put_ServerName(B("127.0.0.1"));
    client->put_ServerPort(port);
    client->put_Username(B("demo"));
    client->put_Password(B("demo-password"));
    ok = ok && Check(client->Connect(), "Connect");

    std::printf("\n3. It lists the folder.\n");
    ok = ok && Check(client->EnumFiles(B("")), "EnumFiles");

    std::printf("\n4. It uploads %u bytes and downloads them again.\n", static_cast<unsigned>(payload.size()));
    ok = ok && Check(client->Put(B(local + "\\upload.bin"), B("upload.bin"), 0), "Put");
    ok = ok && Check(client->Get(B("upload.bin"), B(local + "\\download.bin"), 0), "Get");

    std::printf("\n5. It leaves.\n");
    client->Disconnect();
    // The server's logout notice reaches its window through the message queue.
    for (DWORD until = GetTickCount() + 1000; GetTickCount() < until;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
    server->StopServer();

    bool same = ReadFileBytes(local + "\\download.bin") == payload &&
                ReadFileBytes(served + "\\upload.bin") == payload;
    std::printf("\nThe bytes that came back %s the bytes sent.\n", same ? "are" : "are NOT");
    client->Release();
    server->Release();
    for (const char* name : {"\\local\\upload.bin", "\\local\\download.bin", "\\served\\upload.bin", "\\served\\welcome.txt"})
        DeleteFileA((work + name).c_str());
    RemoveDirectoryA(local.c_str());
    RemoveDirectoryA(served.c_str());
    RemoveDirectoryA(work.c_str());
    CoUninitialize();
    std::printf("%s\n", ok && same ? "Session complete." : "Session FAILED.");
    return ok && same ? 0 : 1;
}

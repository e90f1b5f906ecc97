// Times Get, Put and EnumFiles of the control against one server (bench_engine.py), or MPut and
// MGet of a folder tree (bench_tree.py).
// Usage: control_engine_bench <port> <user> <password> <remote file> <local file> <listing folder>
//        control_engine_bench tree <port> <user> <password> <local tree> <remote folder> <local folder>
//   tree: MPut of <local tree> into <remote folder>, then MGet of everything it made there into
//   <local folder>, which must exist.
#include <winsock2.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DorvikFTP_h.h"

namespace {

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);

class CountingSink : public IDispatch {
public:
    long enumFiles = 0;
    long transfers = 0;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID__IDorvikFTPCtrlEvents)) {
            *out = this;
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
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id == 5)
            ++enumFiles;
        else if (id == 7)
            ++transfers;
        return S_OK;
    }
};

BSTR Wide(const char* text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], n);
    return SysAllocString(w.c_str());
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

// The control's own words for a failure, so that a broken run says why.
std::string LastError()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return "(no error text)";
    BSTR text = nullptr;
    info->GetDescription(&text);
    info->Release();
    char narrow[1024] = "";
    if (text)
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    SysFreeString(text);
    return narrow;
}

void Report(const char* what, HRESULT hr, LARGE_INTEGER from, LARGE_INTEGER to, long transfers)
{
    std::printf("%s %s %.3f %ld\n", what, hr == S_OK ? "ok" : "failed", Seconds(from, to), transfers);
    if (hr != S_OK)
        std::fprintf(stderr, "%s: %s\n", what, LastError().c_str());
}

// The tree's folder name on the server: MPut of a folder makes a folder of the same name.
std::string LastName(std::string path)
{
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

int RunSingle(IDorvikFTPCtrl* ctl, CountingSink* sink, char** argv)
{
    LARGE_INTEGER a, b, c, d;
    QueryPerformanceCounter(&a);
    HRESULT get = ctl->Get(Wide(argv[4]), Wide(argv[5]), 0);
    QueryPerformanceCounter(&b);
    std::string uploaded = std::string(argv[4]) + ".up";
    HRESULT put = ctl->Put(Wide(argv[5]), Wide(uploaded.c_str()), 0);
    QueryPerformanceCounter(&c);
    HRESULT list = ctl->EnumFiles(Wide(argv[6]));
    QueryPerformanceCounter(&d);
    std::printf("get %s %.3f\nput %s %.3f\nlist %s %.3f %ld\n", get == S_OK ? "ok" : "failed", Seconds(a, b),
                put == S_OK ? "ok" : "failed", Seconds(b, c), list == S_OK ? "ok" : "failed", Seconds(c, d),
                sink->enumFiles);
    return 0;
}

int RunTree(IDorvikFTPCtrl* ctl, CountingSink* sink, char** argv)
{
    const std::string remote = argv[5];
    if (ctl->put_CurrentWorkingDirectory(Wide(remote.c_str())) != S_OK) {
        std::fprintf(stderr, "cannot enter %s: %s\n", remote.c_str(), LastError().c_str());
        return 1;
    }
    LARGE_INTEGER a, b, c, d;
    QueryPerformanceCounter(&a);
    HRESULT put = ctl->MPut(Wide(argv[4]));
    QueryPerformanceCounter(&b);
    Report("mput", put, a, b, sink->transfers);
    const std::string made = remote + "/" + LastName(argv[4]);
    if (ctl->put_CurrentWorkingDirectory(Wide(made.c_str())) != S_OK) {
        std::fprintf(stderr, "cannot enter %s: %s\n", made.c_str(), LastError().c_str());
        return 1;
    }
    sink->transfers = 0;
    QueryPerformanceCounter(&c);
    HRESULT get = ctl->MGet(Wide("*"), Wide(argv[6]));
    QueryPerformanceCounter(&d);
    Report("mget", get, c, d, sink->transfers);
    return put == S_OK && get == S_OK ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool tree = argc > 1 && std::string(argv[1]) == "tree";
    if (tree) {
        --argc;
        ++argv;
    }
    if (argc < 7) {
        std::fprintf(stderr, "usage: control_engine_bench port user password remote local folder\n"
                             "       control_engine_bench tree port user password tree remote local\n");
        return 2;
    }
    CoInitialize(nullptr);
    HMODULE dll = LoadLibraryA("DorvikFTP.dll");
    GetClassObjectFn getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    IDorvikFTPCtrl* ctl = nullptr;
    if (!getClassObject || FAILED(getClassObject(CLSID_DorvikFTPCtrl, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_IDorvikFTPCtrl, reinterpret_cast<void**>(&ctl)))) {
        std::fprintf(stderr, "cannot create the control\n");
        return 1;
    }
    factory->Release();
    CountingSink sink;
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point);
    point->Advise(&sink, &cookie);

    ctl->put_ServerName(Wide("127.0.0.1"));
    ctl->put_ServerPort(std::atol(argv[1]));
    ctl->put_Username(Wide(argv[2]));
    ctl->put_Password(Wide(argv[3]));
    ctl->put_Timeout(60);
    if (ctl->Connect() != S_OK) {
        std::fprintf(stderr, "connect failed\n");
        return 1;
    }
    const int status = tree ? RunTree(ctl, &sink, argv) : RunSingle(ctl, &sink, argv);
    ctl->Disconnect();
    point->Unadvise(cookie);
    point->Release();
    container->Release();
    ctl->Release();
    CoUninitialize();
    return status;
}

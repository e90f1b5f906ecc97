// Times Get, Put and EnumFiles of the control against one server; bench_engine.py runs it.
// Usage: control_engine_bench <port> <user> <password> <remote file> <local file> <listing folder>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: control_engine_bench port user password remote local folder\n");
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
                sink.enumFiles);
    ctl->Disconnect();
    point->Unadvise(cookie);
    point->Release();
    container->Release();
    ctl->Release();
    CoUninitialize();
    return 0;
}

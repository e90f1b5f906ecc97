#include "StandInControl.h"

#include <ocidl.h>
#include <ole2.h>

StandInRecord g_standIn;

namespace {

StandInRecord& g = g_standIn;

std::wstring Describe(const VARIANT& v) {
    if (v.vt == VT_BSTR) return v.bstrVal ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : std::wstring();
    if (v.vt == VT_I4) return L"i4:" + std::to_wstring(v.lVal);
    return L"vt:" + std::to_wstring(v.vt);
}

HRESULT Fail(EXCEPINFO* ex, const wchar_t* text) {
    if (ex) {
        *ex = EXCEPINFO();
        ex->bstrDescription = SysAllocString(text);
    }
    return DISP_E_EXCEPTION;
}

bool g_inGet = false;
bool g_abortRequested = false;

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Sleep(1);
}

bool WriteLocal(const std::wstring& path, const RemoteFile& file) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    long long total = 0;
    do {
        DWORD written = 0;
        WriteFile(h, file.content.data(), static_cast<DWORD>(file.content.size()), &written, nullptr);
        total += written;
        if (file.endless) Pump();
    } while (file.endless && !g_abortRequested && total < (64LL << 20));
    if (file.endless) g.bytesWrittenByEndlessGet = total;
    CloseHandle(h);
    return true;
}

class StandIn : public IDispatch, public IPersistStreamInit {
public:
    StandIn() { g.alive = true; }
    virtual ~StandIn() { g.alive = false; }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
        else if (g.answersPersist && (iid == IID_IPersistStreamInit || iid == IID_IPersist))
            *out = static_cast<IPersistStreamInit*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO* ex,
                        UINT*) override {
        StandInCall call{id, flags, {}};
        for (UINT i = p ? p->cArgs : 0; i > 0; --i) call.args.push_back(Describe(p->rgvarg[i - 1]));
        g.calls.push_back(id);
        g.detail.push_back(call);
        if (g.duringCall && (g.duringCallId == DISPID_UNKNOWN || g.duringCallId == id)) {
            auto hook = g.duringCall;
            g.duringCall = nullptr;
            hook();
            g.aliveAfterHook = g.alive && refs_ > 0;
        }
        switch (id) {
        case 5:
            return FAILED(g.connectResult) ? Fail(ex, L"Login incorrect.") : S_OK;
        case 35:
            if (FAILED(g.isConnectedResult)) return Fail(ex, L"Busy.");
            if (result) {
                result->vt = VT_I4;
                result->lVal = g.isConnected;
            }
            return S_OK;
        case 14:
            if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocStringLen(g.cwd.data(), static_cast<UINT>(g.cwd.size()));
            }
            return S_OK;
        case 8: {
            if (call.args.size() != 3) return DISP_E_BADPARAMCOUNT;
            const auto it = g.files.find(call.args[0]);
            if (it == g.files.end()) return Fail(ex, L"550 No such file.");
            g_inGet = true;
            g_abortRequested = false;
            const bool written = WriteLocal(call.args[1], it->second);
            g_inGet = false;
            if (!written) return Fail(ex, L"Cannot create the local file.");
            if (g_abortRequested) return Fail(ex, L"Aborted.");
            return it->second.breaksOff ? Fail(ex, L"Connection closed.") : S_OK;
        }
        case 15:
            if (g_inGet) {
                g_abortRequested = true;
                g.abortedDuringGet = true;
            }
            return FAILED(g.abortResult) ? Fail(ex, L"Not connected.") : S_OK;
        default:
            return S_OK;
        }
    }
    STDMETHODIMP GetClassID(CLSID* c) override {
        *c = CLSID_NULL;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM s) override {
        unsigned char buf[256];
        ULONG got = 0;
        while (SUCCEEDED(s->Read(buf, sizeof(buf), &got)) && got > 0) g.loaded.insert(g.loaded.end(), buf, buf + got);
        return S_OK;
    }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override { return S_OK; }

private:
    ULONG refs_ = 1;
};

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        if (FAILED(g.createResult)) {
            *out = nullptr;
            return g.createResult;
        }
        auto* o = new StandIn;
        const HRESULT hr = o->QueryInterface(iid, out);
        o->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

StandInRegistration::StandInRegistration() {
    g = StandInRecord();
    ole_ = SUCCEEDED(OleInitialize(nullptr));
    if (!ole_) return;
    CLSID clsid;
    CLSIDFromString(const_cast<LPOLESTR>(L"{D1F7D70A-E61B-4292-BED8-F1B69332618E}"), &clsid);
    ok_ = SUCCEEDED(CoRegisterClassObject(clsid, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
}

StandInRegistration::~StandInRegistration() {
    if (ok_) CoRevokeClassObject(cookie_);
    if (ole_) OleUninitialize();
}

// The window hosting its control: a stand-in control object is registered for the control's
// class identifier inside this process, so the window creates it exactly as it would the real one.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <vector>

#include "../app/FormVelkaro.h"
#include "../forms/Form.h"
#include "DorvikGuids.h"

namespace {

struct Record {
    std::vector<unsigned char> loaded;
    std::vector<DISPID> calls;
    bool alive = false;
    bool answersPersist = true;
    HRESULT abortResult = S_OK;
    std::function<void()> duringCall;  // runs inside Invoke
    bool aliveAfterHook = false;
};
Record g;

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
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* ex, UINT*) override {
        g.calls.push_back(id);
        if (g.duringCall) {
            auto hook = g.duringCall;
            g.duringCall = nullptr;
            hook();
            g.aliveAfterHook = g.alive && refs_ > 0;
        }
        if (id == 15 && FAILED(g.abortResult)) {
            if (ex) ex->bstrDescription = SysAllocString(L"Not connected.");
            return g.abortResult;
        }
        return S_OK;
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
        auto* o = new StandIn;
        const HRESULT hr = o->QueryInterface(iid, out);
        o->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

class Hosting : public ::testing::Test {
protected:
    Factory factory;
    DWORD cookie = 0;
    std::unique_ptr<velkaro::FormVelkaro> f;
    void SetUp() override {
        g = Record();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        CLSID clsid;
        CLSIDFromString(const_cast<LPOLESTR>(L"{D1F7D70A-E61B-4292-BED8-F1B69332618E}"), &clsid);
        ASSERT_TRUE(SUCCEEDED(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)));
        forms::g_msgBox = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDCANCEL; };
    }
    void Open() {
        f.reset(new velkaro::FormVelkaro);
        ASSERT_TRUE(f->Carrega());
    }
    void TearDown() override {
        f.reset();
        CoRevokeClassObject(cookie);
        OleUninitialize();
        forms::ReiniciaDepoisDeEnd();
    }
};

TEST_F(Hosting, ClassIdentifierComesFromTheSharedHeader) {
    CLSID fromHeader = forms::ClsidDeTexto(DORVIK_CLSID_TEXT), fixed;
    CLSIDFromString(const_cast<LPOLESTR>(L"{D1F7D70A-E61B-4292-BED8-F1B69332618E}"), &fixed);
    EXPECT_TRUE(IsEqualCLSID(fromHeader, fixed));
}

TEST_F(Hosting, CreatesTheControlWithItsSavedStateAndAbortsItOnClose) {
    Open();
    ASSERT_TRUE(f->ftp1.Exists());
    const std::vector<unsigned char> expected = {
        0x00, 0x0A, 0x00, 0x00, 0x4F, 0x03, 0x00, 0x00, 0xFF, 0x02, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x03, 0x00, 0x15, 0x00, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x1E,
        0x00, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(g.loaded, expected);
    f->Fechar_Click();
    EXPECT_EQ(g.calls, std::vector<DISPID>({15}));
    EXPECT_FALSE(f->Loaded());
    EXPECT_FALSE(g.alive);  // the window let its instance go
}

TEST_F(Hosting, FailingAbortIsSkippedAndTheWindowStillCloses) {
    g.abortResult = DISP_E_EXCEPTION;
    Open();
    f->Fechar_Click();
    EXPECT_EQ(g.calls, std::vector<DISPID>({15}));
    EXPECT_FALSE(f->Loaded());
    EXPECT_TRUE(forms::Ending());
}

TEST_F(Hosting, ControlWithoutStreamStateIsStillHosted) {
    g.answersPersist = false;
    Open();
    EXPECT_TRUE(f->ftp1.Exists());
    EXPECT_TRUE(g.loaded.empty());
}

TEST_F(Hosting, CloseDuringACallFreesTheControlOnlyAfterTheCall) {
    Open();
    // The control pumps messages while it waits; a close handled there unloads the window.
    g.duringCall = [this] { f->Unload(); };
    f->ftp1.Call(8);
    EXPECT_TRUE(g.aliveAfterHook);
    EXPECT_FALSE(g.alive);
    EXPECT_FALSE(f->ftp1.Exists());
}

}  // namespace

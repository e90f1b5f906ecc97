// A control whose library is not registered: late binding still works from the type library
// carried inside the DLL. Runs in a process of its own so that nothing is cached yet.
#include <string>

#include "ControlFixture.h"

namespace {

class Unregistered : public ControlLibrary {
protected:
    PlainFn reg = nullptr;
    void SetUp() override
    {
        ControlLibrary::SetUp();
        reg = reinterpret_cast<PlainFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
        PlainFn unreg = reinterpret_cast<PlainFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
        ASSERT_EQ(S_OK, unreg());
    }
    void TearDown() override
    {
        EXPECT_EQ(S_OK, reg());
        ControlLibrary::TearDown();
    }
};

TEST_F(Unregistered, LateBindingUsesTheEmbeddedTypeLibrary)
{
    IDorvikFTPCtrl* control = NewControl();
    ASSERT_NE(nullptr, control);
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"ProxyPort")};
    ASSERT_EQ(S_OK, control->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id));
    EXPECT_EQ(19, id);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, control->Invoke(id, IID_NULL, 0x409, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(1080, V_I4(&result));
    control->Release();
}

// The error object names the class by its fixed ProgID, registered or not.
TEST_F(Unregistered, ErrorsNameTheClassAllTheSame)
{
    IDorvikFTPCtrl* control = NewControl();
    ASSERT_NE(nullptr, control);
    BSTR url = SysAllocString(L"gopher://127.0.0.1/x"), local = SysAllocString(L"x.bin"), none = SysAllocString(L"");
    HRESULT hr = control->GetFromURL(url, local, none, none, 0);
    SysFreeString(url);
    SysFreeString(local);
    SysFreeString(none);
    IErrorInfo* info = nullptr;
    if (hr != DISP_E_EXCEPTION || GetErrorInfo(0, &info) != S_OK) {
        control->Release();
        FAIL() << "no error object";
    }
    BSTR source = nullptr;
    info->GetSource(&source);
    EXPECT_EQ(std::wstring(L"DorvikFTP.DorvikFTPCtrl.1"), source ? source : L"");
    SysFreeString(source);
    info->Release();
    control->Release();
}

// A hook that refuses to let the control's hidden window be created.
LRESULT CALLBACK RefuseHiddenWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        char cls[64] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof(cls));
        if (std::string(cls) == "DorvikFTPWndClass")
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ControlLibrary, CreationFailsWhenTheHiddenWindowCannotBeMade)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseHiddenWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    IClassFactory* factory = Factory();
    void* control = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_FAIL, factory->CreateInstance(nullptr, IID_IDorvikFTPCtrl, &control));
    EXPECT_EQ(nullptr, control);
    UnhookWindowsHookEx(hook);
    factory->Release();
    EXPECT_EQ(S_OK, canUnloadNow());   // nothing of the failed control lives on
}

} // namespace

// Late binding through the registered type library: names, calls, coercion and the error object.
#include <string>

#include "ControlFixture.h"

namespace {

class RegisteredControl : public ::testing::Test {
protected:
    IDispatch* control = nullptr;
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        CLSID clsid;
        ASSERT_EQ(S_OK, CLSIDFromProgID(L"DorvikFTP.DorvikFTPCtrl", &clsid));
        ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                         reinterpret_cast<void**>(&control)));
    }
    void TearDown() override
    {
        if (control)
            control->Release();
        CoUninitialize();
    }
    DISPID IdOf(const wchar_t* name)
    {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(S_OK, control->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id)) << std::string(name, name + wcslen(name));
        return id;
    }
    HRESULT Call(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result, EXCEPINFO* excep = nullptr)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS dp = {args, flags == DISPATCH_PROPERTYPUT ? &named : nullptr, count,
                         flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        UINT argErr = 0;
        return control->Invoke(id, IID_NULL, 0x409, flags, &dp, result, excep, &argErr);
    }
};

TEST_F(RegisteredControl, EveryMemberNameResolvesToItsDispatchIdentifier)
{
    const struct { const wchar_t* name; DISPID id; } members[] = {
        {L"ServerName", 1}, {L"ServerPort", 2}, {L"Username", 3}, {L"Password", 4}, {L"Connect", 5},
        {L"Disconnect", 6}, {L"Quote", 7}, {L"Get", 8}, {L"DeleteFile", 9}, {L"RenameFile", 10}, {L"Put", 11},
        {L"EnumFiles", 12}, {L"LastServerResponse", 13}, {L"CurrentWorkingDirectory", 14}, {L"Abort", 15},
        {L"BinaryMode", 16}, {L"LastServerResponseText", 17}, {L"ProxyName", 18}, {L"ProxyPort", 19},
        {L"ProxyUserID", 20}, {L"GetFromURL", 21}, {L"Busy", 22}, {L"RasIsConnected", 23},
        {L"RasDisconnect", 24}, {L"RasConnect", 25}, {L"PassiveMode", 26}, {L"Timeout", 27},
        {L"ProgressID", 28}, {L"CreateProgressID", 29}, {L"GetProgressInfo", 30}, {L"FreeProgressInfo", 31},
        {L"BeginGet", 32}, {L"MaxBandwidth", 33}, {L"BeginPut", 34}, {L"IsConnected", 35},
        {L"FileExists", 36}, {L"HTTPUpload", 37}, {L"Version", 38}, {L"StartServer", 39},
        {L"StopServer", 40}, {L"ServerAddUser", 41}, {L"MPut", 42}, {L"MGet", 43}, {L"FileListing", 44},
        {L"AboutBox", -552},
    };
    for (const auto& m : members)
        EXPECT_EQ(m.id, IdOf(m.name));
    // Script hosts do not keep the declared letter case.
    EXPECT_EQ(2, IdOf(L"serverport"));

    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, control->GetIDsOfNames(IID_NULL, unknown, 1, 0x409, &id));
}

TEST_F(RegisteredControl, TypeInformationIsHandedOutForIndexZeroOnly)
{
    UINT count = 0;
    EXPECT_EQ(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(DISP_E_BADINDEX, control->GetTypeInfo(1, 0x409, &info));
    ASSERT_EQ(S_OK, control->GetTypeInfo(0, 0x409, &info));
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    EXPECT_TRUE(IsEqualGUID(IID_IDorvikFTPCtrl, attr->guid));
    info->ReleaseTypeAttr(attr);
    info->Release();
}

TEST_F(RegisteredControl, PropertiesRoundTripWithCoercion)
{
    VARIANT arg, result;
    VariantInit(&result);
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = SysAllocString(L"2121");   // a text for a long property is coerced
    EXPECT_EQ(S_OK, Call(2, DISPATCH_PROPERTYPUT, &arg, 1, nullptr));
    VariantClear(&arg);
    EXPECT_EQ(S_OK, Call(2, DISPATCH_PROPERTYGET, nullptr, 0, &result));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(2121, V_I4(&result));

    V_VT(&arg) = VT_I4;
    V_I4(&arg) = 5;   // a number for a text property becomes its text
    EXPECT_EQ(S_OK, Call(1, DISPATCH_PROPERTYPUT, &arg, 1, nullptr));
    VariantClear(&result);
    EXPECT_EQ(S_OK, Call(1, DISPATCH_PROPERTYGET, nullptr, 0, &result));
    ASSERT_EQ(VT_BSTR, V_VT(&result));
    EXPECT_EQ(std::wstring(L"5"), V_BSTR(&result));
    VariantClear(&result);

    EXPECT_EQ(S_OK, Call(38, DISPATCH_PROPERTYGET, nullptr, 0, &result));
    ASSERT_EQ(VT_BSTR, V_VT(&result));
    EXPECT_EQ(std::wstring(L"1.0.0.0"), V_BSTR(&result));
    VariantClear(&result);
}

TEST_F(RegisteredControl, FailingMethodFillsTheExceptionFromTheErrorObject)
{
    EXCEPINFO excep = {};
    VARIANT result;
    VariantInit(&result);
    // Not connected: the method fails through the control's error report.
    EXPECT_EQ(DISP_E_EXCEPTION, Call(5, DISPATCH_METHOD, nullptr, 0, &result, &excep));
    ASSERT_NE(nullptr, excep.bstrSource);
    EXPECT_EQ(std::wstring(L"DorvikFTP.DorvikFTPCtrl.1"), excep.bstrSource);
    EXPECT_NE(nullptr, excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
}

TEST_F(RegisteredControl, BothProgIdsNameTheClass)
{
    CLSID a, b;
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"DorvikFTP.DorvikFTPCtrl.1", &a));
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"DorvikFTP.DorvikFTPCtrl", &b));
    EXPECT_TRUE(IsEqualCLSID(CLSID_DorvikFTPCtrl, a));
    EXPECT_TRUE(IsEqualCLSID(CLSID_DorvikFTPCtrl, b));
}

} // namespace

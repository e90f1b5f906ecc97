// Dial-up control where the platform's RAS cannot dial: every check finds no connection and
// every dial ends in "Not connected", without harm to the caller.
#include <string>

#include "ControlFixture.h"
#include "ErrorText.h"

namespace {

class DialUp : public ControlLibrary {
protected:
    IDorvikFTPCtrl* control = nullptr;
    void SetUp() override
    {
        ControlLibrary::SetUp();
        control = NewControl();
        ASSERT_NE(nullptr, control);
    }
    void TearDown() override
    {
        control->Release();
        ControlLibrary::TearDown();
    }
    HRESULT Connect(const std::wstring& name, const std::wstring& user, long attempts)
    {
        BSTR n = SysAllocString(name.c_str()), u = SysAllocString(user.c_str()), p = SysAllocString(L"secret");
        HRESULT hr = control->RasConnect(n, u, p, attempts);
        SysFreeString(n);
        SysFreeString(u);
        SysFreeString(p);
        return hr;
    }
};

TEST_F(DialUp, NoConnectionIsFoundAndHangingUpDoesNothing)
{
    EXPECT_EQ(S_OK, control->RasDisconnect());   // before any check or dial
    for (const wchar_t* name : {L"Office", L"office", L"", L"A name much longer than nineteen characters"}) {
        BSTR n = SysAllocString(name);
        long connected = -1;
        EXPECT_EQ(S_OK, control->RasIsConnected(n, &connected));
        EXPECT_EQ(0, connected);
        SysFreeString(n);
    }
    long connected = -1;
    EXPECT_EQ(S_OK, control->RasIsConnected(nullptr, &connected));
    EXPECT_EQ(0, connected);
    EXPECT_EQ(S_OK, control->RasDisconnect());
}

TEST_F(DialUp, ADialThatCannotSucceedReportsNotConnected)
{
    struct Case {
        const wchar_t* name;
        std::wstring user;
        long attempts;
    };
    const Case cases[] = {
        {L"Office", L"anna", 0},                 // no attempt at all
        {L"Office", L"anna", -3},
        {L"Office", L"anna", 1},                 // the platform refuses the dial
        {L"Office", std::wstring(300, L'u'), 2}, // a user name beyond the record is never dialed
    };
    for (const Case& c : cases) {
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(DISP_E_EXCEPTION, Connect(c.name, c.user, c.attempts)) << c.attempts;
        EXPECT_EQ(L"Not connected", LastErrorText());
    }
    EXPECT_EQ(S_OK, control->RasDisconnect());
}

} // namespace

// Dial-up control against a RAS library that can connect: the fake RASAPI32.DLL beside this
// program, which Wine is told to prefer over its own.
#include <cstring>
#include <string>

#include "ControlFixture.h"
#include "ErrorText.h"
#include "FakeRas.h"

namespace {

class FakeDialUp : public ControlLibrary {
protected:
    IDorvikFTPCtrl* control = nullptr;
    FakeRasState* ras = nullptr;

    void SetUp() override
    {
        ControlLibrary::SetUp();
        control = NewControl();
        ASSERT_NE(nullptr, control);
        HMODULE fake = LoadLibraryA("RASAPI32.DLL");
        ASSERT_NE(nullptr, fake);
        FakeRasStateFn state =
            reinterpret_cast<FakeRasStateFn>(reinterpret_cast<void*>(GetProcAddress(fake, "FakeRasGetState")));
        ASSERT_NE(nullptr, state) << "the system's RASAPI32 was loaded, not the fake";
        ras = state();
        RasDisconnectQuietly();
        memset(ras, 0, sizeof(*ras));
    }
    void TearDown() override
    {
        control->Release();
        ControlLibrary::TearDown();
    }
    // The current connection is the process's: forget whatever an earlier test left.
    void RasDisconnectQuietly() { control->RasDisconnect(); }

    void AddActive(const char* name, ULONG_PTR handle)
    {
        strcpy(ras->active[ras->activeCount].name, name);
        ras->active[ras->activeCount++].handle = reinterpret_cast<HANDLE>(handle);
    }
    long IsConnected(const wchar_t* name)
    {
        BSTR n = SysAllocString(name);
        long connected = -1;
        EXPECT_EQ(S_OK, control->RasIsConnected(n, &connected));
        SysFreeString(n);
        return connected;
    }
    HRESULT Connect(const std::wstring& name, const std::wstring& user, long attempts)
    {
        BSTR n = SysAllocString(name.c_str()), u = SysAllocString(user.c_str()), p = SysAllocString(L"s3cret");
        HRESULT hr = control->RasConnect(n, u, p, attempts);
        SysFreeString(n);
        SysFreeString(u);
        SysFreeString(p);
        return hr;
    }
};

TEST_F(FakeDialUp, ChecksFindTheEntryByItsExactName)
{
    AddActive("Home", 0x11);
    AddActive("Office", 0x22);
    AddActive("A phonebook entry of thirty ch", 0x33);
    EXPECT_EQ(1, IsConnected(L"Office"));
    EXPECT_EQ(kRasConnEntrySize, ras->enumEntrySize);
    EXPECT_EQ(5 * kRasConnEntrySize, ras->enumBufferSize);   // five entries offered
    EXPECT_EQ(0, IsConnected(L"office"));
    EXPECT_EQ(0, IsConnected(L"Offic"));
    EXPECT_EQ(1, IsConnected(L"A phonebook entry of thirty ch"));   // names past 19 characters match whole
    EXPECT_EQ(0, IsConnected(L"A phonebook entry of thirty"));

    // The last one found is the one a disconnect hangs up.
    EXPECT_EQ(1, IsConnected(L"Home"));
    EXPECT_EQ(S_OK, control->RasDisconnect());
    EXPECT_EQ(reinterpret_cast<HANDLE>(0x11), ras->lastHungUp);
    EXPECT_EQ(0, IsConnected(L"Home"));
    EXPECT_EQ(S_OK, control->RasDisconnect());   // nothing current any more
    EXPECT_EQ(1, ras->hangUps);
}

TEST_F(FakeDialUp, MoreActiveConnectionsThanFiveFindNone)
{
    const char* names[] = {"a", "b", "c", "d", "e", "Office"};
    for (int i = 0; i < 6; ++i)
        AddActive(names[i], 0x40 + static_cast<ULONG_PTR>(i));
    EXPECT_EQ(0, IsConnected(L"Office"));
    EXPECT_EQ(0, IsConnected(L"a"));
}

TEST_F(FakeDialUp, ADialThatConnectsIsHungUpByDisconnect)
{
    ras->outcome = kDialConnects;
    ASSERT_EQ(S_OK, Connect(L"Office", L"anna", 3));
    EXPECT_EQ(1, ras->dialCalls);   // the first success ends the attempts
    EXPECT_EQ(kRasDialParamsSize, ras->dialRecordSize);
    EXPECT_EQ(std::string("Office"), ras->dialedEntry);
    EXPECT_EQ(std::string("anna"), ras->dialedUser);
    EXPECT_EQ(std::string("s3cret"), ras->dialedPassword);
    EXPECT_EQ(1, IsConnected(L"Office"));
    EXPECT_EQ(S_OK, control->RasDisconnect());
    EXPECT_EQ(reinterpret_cast<HANDLE>(0x5001), ras->lastHungUp);
    EXPECT_EQ(0, IsConnected(L"Office"));
}

TEST_F(FakeDialUp, FailedDialsRetryOnlyWhileNoHalfConnectionWasMade)
{
    struct Case {
        FakeDialOutcome outcome;
        long attempts;
        int dials, hangUps;
    };
    const Case cases[] = {
        {kDialFailsWithoutHandle, 2, 2, 0},   // dials again after a second
        {kDialFailsWithHandle, 3, 1, 1},      // hangs up and stops
        {kDialFailsWithoutHandle, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ras->outcome = c.outcome;
        ras->dialCalls = ras->hangUps = 0;
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(DISP_E_EXCEPTION, Connect(L"Office", L"anna", c.attempts));
        EXPECT_EQ(L"Not connected", LastErrorText());
        EXPECT_EQ(c.dials, ras->dialCalls) << c.attempts;
        EXPECT_EQ(c.hangUps, ras->hangUps) << c.attempts;
    }
}

TEST_F(FakeDialUp, AlreadyConnectedNeedsNoDialAndTooLongCredentialsAreNeverDialed)
{
    AddActive("Office", 0x22);
    EXPECT_EQ(S_OK, Connect(L"Office", L"anna", 0));
    ras->outcome = kDialConnects;
    EXPECT_EQ(DISP_E_EXCEPTION, Connect(L"Travel", std::wstring(257, L'u'), 3));
    EXPECT_EQ(DISP_E_EXCEPTION, Connect(std::wstring(257, L'n'), L"anna", 3));
    EXPECT_EQ(0, ras->dialCalls);
    EXPECT_EQ(S_OK, Connect(L"Travel", std::wstring(256, L'u'), 1));   // the longest that fits
    EXPECT_EQ(256u, strlen(ras->dialedUser));
}

} // namespace

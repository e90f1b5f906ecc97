// What registration writes and what unregistration leaves behind.
#include <string>

#include "ControlFixture.h"
#include "DorvikGuids.h"

namespace {

const std::string kClassKey = std::string("CLSID\\") + DORVIK_CLSID_TEXT;
// The type library is registered for the platform the DLL was built for.
const char* const kTypeLibPlatform = sizeof(void*) == 8 ? "\\1.0\\409\\win64" : "\\1.0\\409\\win32";

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The value's text, or "<none>" when the key or value is missing.
std::string ValueOf(const std::string& path, const char* name = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    char data[1024] = {};
    DWORD size = sizeof(data) - 1, type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "<none>";
}

std::string ModulePath(HMODULE dll)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(dll, path, MAX_PATH);
    return path;
}

class Registration : public ControlLibrary {
protected:
    PlainFn reg = nullptr, unreg = nullptr;
    void SetUp() override
    {
        ControlLibrary::SetUp();
        reg = reinterpret_cast<PlainFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
        unreg = reinterpret_cast<PlainFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
        ASSERT_NE(nullptr, reg);
        ASSERT_NE(nullptr, unreg);
    }
    // Other tests of the run rely on the control being registered.
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "DorvikFTP.DorvikFTPCtrl\\Foreign");
        EXPECT_EQ(S_OK, reg());
        ControlLibrary::TearDown();
    }

    void ExpectFullRegistration()
    {
        const std::string module = ModulePath(dll);
        const struct { std::string key; const char* name; std::string value; } rows[] = {
            {"DorvikFTP.DorvikFTPCtrl.1", nullptr, "DorvikFTPCtrl Class"},
            {"DorvikFTP.DorvikFTPCtrl.1\\CLSID", nullptr, DORVIK_CLSID_TEXT},
            {"DorvikFTP.DorvikFTPCtrl", nullptr, "DorvikFTPCtrl Class"},
            {"DorvikFTP.DorvikFTPCtrl\\CLSID", nullptr, DORVIK_CLSID_TEXT},
            {"DorvikFTP.DorvikFTPCtrl\\CurVer", nullptr, "DorvikFTP.DorvikFTPCtrl.1"},
            {kClassKey, nullptr, "DorvikFTPCtrl Class"},
            {kClassKey + "\\ProgID", nullptr, "DorvikFTP.DorvikFTPCtrl.1"},
            {kClassKey + "\\VersionIndependentProgID", nullptr, "DorvikFTP.DorvikFTPCtrl"},
            {kClassKey + "\\InprocServer32", nullptr, module},
            {kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
            {kClassKey + "\\ToolboxBitmap32", nullptr, module + ", 102"},
            {kClassKey + "\\MiscStatus", nullptr, "0"},
            {kClassKey + "\\MiscStatus\\1", nullptr, "132497"},
            {kClassKey + "\\TypeLib", nullptr, DORVIK_LIBID_TEXT},
            {kClassKey + "\\Version", nullptr, "1.0"},
            {std::string("TypeLib\\") + DORVIK_LIBID_TEXT + kTypeLibPlatform, nullptr, module},
        };
        for (const auto& row : rows)
            EXPECT_EQ(row.value, ValueOf(row.key, row.name)) << row.key << " " << (row.name ? row.name : "");
        for (const char* marker : {"Programmable", "Control", "Insertable"})
            EXPECT_TRUE(KeyExists(kClassKey + "\\" + marker)) << marker;
    }
};

TEST_F(Registration, RegisteringTwiceGivesTheSameKeys)
{
    ASSERT_EQ(S_OK, reg());
    ExpectFullRegistration();
    // A stale subkey below the force-removed class key goes when the key is written afresh.
    HKEY stale = nullptr;
    RegCreateKeyA(HKEY_CLASSES_ROOT, (kClassKey + "\\Stale").c_str(), &stale);
    RegCloseKey(stale);
    ASSERT_EQ(S_OK, reg());
    ExpectFullRegistration();
    EXPECT_FALSE(KeyExists(kClassKey + "\\Stale"));
}

TEST_F(Registration, UnregisteringRemovesOurKeysAndKeepsForeignOnes)
{
    ASSERT_EQ(S_OK, reg());
    HKEY foreign = nullptr;
    RegCreateKeyA(HKEY_CLASSES_ROOT, "DorvikFTP.DorvikFTPCtrl\\Foreign", &foreign);
    RegCloseKey(foreign);

    ASSERT_EQ(S_OK, unreg());

    EXPECT_FALSE(KeyExists("DorvikFTP.DorvikFTPCtrl.1"));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_TRUE(KeyExists("CLSID"));
    EXPECT_TRUE(KeyExists("DorvikFTP.DorvikFTPCtrl\\Foreign"));
    EXPECT_FALSE(KeyExists("DorvikFTP.DorvikFTPCtrl\\CLSID"));
    EXPECT_FALSE(KeyExists("DorvikFTP.DorvikFTPCtrl\\CurVer"));
    EXPECT_EQ("<none>", ValueOf(std::string("TypeLib\\") + DORVIK_LIBID_TEXT + kTypeLibPlatform));
    // What is already gone is no failure: a second unregistration has nothing to remove.
    EXPECT_EQ(S_OK, unreg());
}

TEST_F(Registration, VersionIsEmptyWhenTheClassIsNotRegistered)
{
    ASSERT_EQ(S_OK, unreg());
    IDorvikFTPCtrl* control = NewControl();
    ASSERT_NE(nullptr, control);
    BSTR version = nullptr;
    EXPECT_EQ(S_OK, control->get_Version(&version));
    ASSERT_NE(nullptr, version);
    EXPECT_EQ(0u, SysStringLen(version));
    SysFreeString(version);
    control->Release();
}

} // namespace

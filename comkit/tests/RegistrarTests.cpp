// The registry-script interpreter against a scratch key of the current user.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>

#include "Registrar.h"

namespace {

const char kRoot[] = "Software\\DorvikRegistrarTest";

std::string Value(const std::string& path, const char* name = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kRoot) + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[512] = {};
    DWORD size = sizeof(data) - 1;
    LONG r = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? data : "<no value>";
}

class Registrar : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kRoot); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kRoot); }
    const CStr script = R"(HKCU
{
    NoRemove Software
    {
        DorvikRegistrarTest = s 'top'
        {
            ForceRemove Fresh = s '%MODULE%, 102'
            {
                val Named = s 'it''s'
                'Sub Key' = s '1'
            }
            Plain
            {
                {0000-guid-like} = s 'x'
            }
        }
    }
})";
    const RegistrarReplacements replacements = {{"MODULE", "C:\\dir\\lib.dll"}};
};

TEST_F(Registrar, RegisterWritesKeysValuesAndReplacements)
{
    ASSERT_EQ(S_OK, RunRegistryScript(script, replacements, true));
    EXPECT_EQ("top", Value(""));
    EXPECT_EQ("C:\\dir\\lib.dll, 102", Value("\\Fresh"));
    EXPECT_EQ("it's", Value("\\Fresh", "Named"));
    EXPECT_EQ("1", Value("\\Fresh\\Sub Key"));
    EXPECT_EQ("x", Value("\\Plain\\{0000-guid-like}"));
}

TEST_F(Registrar, ForceRemoveRewritesTheTreeFromScratch)
{
    HKEY stale = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Fresh\\Stale").c_str(), &stale);
    RegCloseKey(stale);
    ASSERT_EQ(S_OK, RunRegistryScript(script, replacements, true));
    EXPECT_EQ("<no key>", Value("\\Fresh\\Stale"));
}

TEST_F(Registrar, UnregisterRemovesOnlyWhatHasNoForeignSubkeys)
{
    ASSERT_EQ(S_OK, RunRegistryScript(script, replacements, true));
    HKEY foreign = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, (std::string(kRoot) + "\\Plain\\Foreign").c_str(), &foreign);
    RegCloseKey(foreign);

    ASSERT_EQ(S_OK, RunRegistryScript(script, replacements, false));

    EXPECT_EQ("<no key>", Value("\\Fresh"));
    EXPECT_EQ("<no key>", Value("\\Plain\\{0000-guid-like}"));
    EXPECT_NE("<no key>", Value("\\Plain\\Foreign"));
    EXPECT_EQ("top", Value(""));   // kept: it still holds Plain
    HKEY software = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software));
    RegCloseKey(software);
}

TEST_F(Registrar, MalformedScriptIsRefusedBeforeAnythingIsWritten)
{
    for (const char* bad : {"HKCU { Software { X = s 'unterminated } }", "HKXX { A }", "HKCU { A = q 'x' }",
                            "HKCU { A {"}) {
        EXPECT_EQ(E_UNEXPECTED, RunRegistryScript(bad, replacements, true)) << bad;
    }
}

TEST_F(Registrar, UnregisteringWhatIsAbsentSucceeds)
{
    EXPECT_EQ(S_OK, RunRegistryScript(script, replacements, false));
}

// Each hive block keeps its own keys: a second block does not pull the first one's under it.
TEST_F(Registrar, SeveralHiveBlocksEachWriteIntoTheirOwnHive)
{
    const CStr twoHives = R"(HKLM { NoRemove Software { DorvikRegistrarTest = s 'machine' } }
HKCU { NoRemove Software { DorvikRegistrarTest = s 'user' } })";
    ASSERT_EQ(S_OK, RunRegistryScript(twoHives, replacements, true));
    EXPECT_EQ("user", Value(""));
    HKEY machine = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &machine));
    RegCloseKey(machine);

    ASSERT_EQ(S_OK, RunRegistryScript(twoHives, replacements, false));
    EXPECT_EQ("<no key>", Value(""));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &machine));
}

// A key the caller may not delete is a failure to report, not "nothing of ours was there".
TEST_F(Registrar, UnregisteringAKeyThatMayNotBeDeletedFails)
{
    ASSERT_EQ(S_OK, RunRegistryScript(script, replacements, true));
    const std::string plain = std::string(kRoot) + "\\Plain";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, plain.c_str(), 0, WRITE_DAC, &key));
    EXPLICIT_ACCESSA deny = {};
    char everyone[] = "EVERYONE";
    BuildExplicitAccessWithNameA(&deny, everyone, DELETE | KEY_SET_VALUE | KEY_QUERY_VALUE, DENY_ACCESS,
                                 NO_INHERITANCE);
    PACL acl = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, SetEntriesInAclA(1, &deny, nullptr, &acl));
    ASSERT_EQ(ERROR_SUCCESS, SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                             acl, nullptr));
    RegCloseKey(key);
    LocalFree(acl);

    EXPECT_EQ(E_ACCESSDENIED, RunRegistryScript(script, replacements, false));
    // Still there (its owner may still read its security).
    HKEY kept = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, plain.c_str(), 0, READ_CONTROL, &kept));
    RegCloseKey(kept);

    // Let TearDown remove it.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, plain.c_str(), 0, WRITE_DAC, &key));
    SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                    nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
}

} // namespace

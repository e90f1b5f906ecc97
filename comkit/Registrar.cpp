#include "Registrar.h"

#include <cctype>

namespace {

struct RegValue {
    CStr name;
    CStr data;
};

struct RegKey {
    HKEY hive = nullptr; // set on the top-level keys of a hive block
    CStr name;
    bool hasDefault = false;
    CStr defaultData;
    bool forceRemove = false;
    bool noRemove = false;
    std::vector<RegValue> values;
    std::vector<RegKey> subkeys;
};

class ScriptReader {
public:
    ScriptReader(const CStr& text, const RegistrarReplacements& replacements)
        : m_text(text), m_replacements(replacements) {}

    // Every top-level key remembers the hive block it was read in, so a script may name several.
    bool ParseRoot(std::vector<RegKey>* keys)
    {
        CStr word;
        while (NextToken(&word)) {
            HKEY hive = HiveOf(word);
            if (!hive || !Expect("{"))
                return false;
            std::vector<RegKey> body;
            if (!ParseBody(&body, nullptr))
                return false;
            for (RegKey& key : body)
                key.hive = hive;
            keys->insert(keys->end(), body.begin(), body.end());
        }
        return m_ok;
    }

private:
    static HKEY HiveOf(const CStr& word)
    {
        if (word.EqualsNoCase("HKCR") || word.EqualsNoCase("HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
        if (word.EqualsNoCase("HKCU") || word.EqualsNoCase("HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
        if (word.EqualsNoCase("HKLM") || word.EqualsNoCase("HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
        if (word.EqualsNoCase("HKU") || word.EqualsNoCase("HKEY_USERS")) return HKEY_USERS;
        return nullptr;
    }

    // Reads keys (and, inside a key, named values) up to the closing brace.
    bool ParseBody(std::vector<RegKey>* keys, std::vector<RegValue>* values)
    {
        CStr word;
        while (NextToken(&word)) {
            if (word == "}")
                return true;
            if (word.EqualsNoCase("val")) {
                RegValue v;
                if (!values || !NextToken(&v.name) || !Expect("=") || !ReadTypedString(&v.data))
                    return false;
                values->push_back(v);
                continue;
            }
            RegKey key;
            while (word.EqualsNoCase("ForceRemove") || word.EqualsNoCase("NoRemove")) {
                (word.EqualsNoCase("ForceRemove") ? key.forceRemove : key.noRemove) = true;
                if (!NextToken(&word))
                    return false;
            }
            key.name = word;
            if (PeekIs("=")) {
                NextToken(&word);
                if (!ReadTypedString(&key.defaultData))
                    return false;
                key.hasDefault = true;
            }
            if (PeekIs("{")) {
                NextToken(&word);
                if (!ParseBody(&key.subkeys, &key.values))
                    return false;
            }
            keys->push_back(key);
        }
        return false; // the text ended inside a block
    }

    bool ReadTypedString(CStr* data)
    {
        CStr type;
        if (!NextToken(&type) || !type.EqualsNoCase("s"))
            return Fail();
        return NextToken(data);
    }

    bool Expect(const char* what)
    {
        CStr word;
        return NextToken(&word) && word == what ? true : Fail();
    }

    bool PeekIs(const char* what)
    {
        size_t saved = m_at;
        CStr word;
        bool hit = NextToken(&word) && word == what && !m_lastQuoted;
        m_at = saved;
        return hit;
    }

    bool Fail() { m_ok = false; return false; }

    // A token is a quoted string ('' inside means one quote), a lone brace or "=", or a run of
    // other non-blank characters (so "{guid}" is a name, "{" alone opens a block).
    bool NextToken(CStr* out)
    {
        const std::string& t = m_text.str();
        while (m_at < t.size() && std::isspace(static_cast<unsigned char>(t[m_at])))
            ++m_at;
        if (m_at >= t.size())
            return false;
        m_lastQuoted = false;
        CStr token;
        if (t[m_at] == '\'') {
            m_lastQuoted = true;
            ++m_at;
            for (;;) {
                if (m_at >= t.size())
                    return Fail();
                if (t[m_at] == '\'') {
                    if (m_at + 1 < t.size() && t[m_at + 1] == '\'') {
                        token += '\'';
                        m_at += 2;
                        continue;
                    }
                    ++m_at;
                    break;
                }
                token += t[m_at++];
            }
        } else if (t[m_at] == '=') {
            token = "=";
            ++m_at;
        } else {
            while (m_at < t.size() && !std::isspace(static_cast<unsigned char>(t[m_at])) && t[m_at] != '=')
                token += t[m_at++];
        }
        *out = Replace(token);
        return true;
    }

    CStr Replace(const CStr& token) const
    {
        CStr result;
        for (int i = 0; i < token.GetLength(); ++i) {
            if (token.At(i) != '%') {
                result += token.At(i);
                continue;
            }
            int end = token.Find('%', i + 1);
            if (end == CStr::npos) {
                result += '%';
                continue;
            }
            CStr name = token.Mid(i + 1, end - i - 1);
            if (name.IsEmpty())
                result += '%';
            else {
                bool found = false;
                for (const auto& r : m_replacements)
                    if (r.first.EqualsNoCase(name)) {
                        result += r.second;
                        found = true;
                    }
                if (!found)
                    result += token.Mid(i, end - i + 1);
            }
            i = end;
        }
        return result;
    }

    const CStr& m_text;
    const RegistrarReplacements& m_replacements;
    size_t m_at = 0;
    bool m_ok = true;
    bool m_lastQuoted = false;
};

HRESULT FromWin32(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

LONG SetString(HKEY key, const char* name, const CStr& data)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.GetLength() + 1));
}

HRESULT RegisterKey(HKEY parent, const RegKey& key)
{
    if (key.forceRemove)
        RegDeleteTreeA(parent, key.name.c_str()); // absent is fine
    HKEY opened = nullptr;
    LONG error = RegCreateKeyExA(parent, key.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    if (error != ERROR_SUCCESS)
        return FromWin32(error);
    HRESULT hr = S_OK;
    if (key.hasDefault)
        hr = FromWin32(SetString(opened, nullptr, key.defaultData));
    for (size_t i = 0; SUCCEEDED(hr) && i < key.values.size(); ++i)
        hr = FromWin32(SetString(opened, key.values[i].name.c_str(), key.values[i].data));
    for (size_t i = 0; SUCCEEDED(hr) && i < key.subkeys.size(); ++i)
        hr = RegisterKey(opened, key.subkeys[i]);
    RegCloseKey(opened);
    return hr;
}

bool Absent(LONG error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Removes what the script wrote below parent. A key or value that is not there is already as
// removed as it gets; any other refusal (access denied, above all) is a failure the caller must see.
HRESULT UnregisterKey(HKEY parent, const RegKey& key)
{
    // Only the rights the removal needs: reading the subkey count, and deleting named values.
    REGSAM rights = KEY_QUERY_VALUE | (key.values.empty() ? 0 : KEY_SET_VALUE);
    HKEY opened = nullptr;
    LONG error = RegOpenKeyExA(parent, key.name.c_str(), 0, rights, &opened);
    if (Absent(error))
        return S_OK;
    if (error != ERROR_SUCCESS)
        return FromWin32(error);
    HRESULT hr = S_OK;
    for (size_t i = 0; SUCCEEDED(hr) && i < key.values.size(); ++i) {
        error = RegDeleteValueA(opened, key.values[i].name.c_str());
        if (!Absent(error))
            hr = FromWin32(error);
    }
    for (size_t i = 0; SUCCEEDED(hr) && i < key.subkeys.size(); ++i)
        hr = UnregisterKey(opened, key.subkeys[i]);
    DWORD subkeys = 0;
    if (SUCCEEDED(hr))
        hr = FromWin32(RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(opened);
    if (FAILED(hr) || subkeys != 0 || key.noRemove)
        return hr;
    error = RegDeleteKeyA(parent, key.name.c_str());
    return Absent(error) ? S_OK : FromWin32(error);
}

} // namespace

HRESULT RunRegistryScript(const CStr& script, const RegistrarReplacements& replacements, bool registering)
{
    std::vector<RegKey> keys;
    ScriptReader reader(script, replacements);
    if (!reader.ParseRoot(&keys) || keys.empty())
        return E_UNEXPECTED;
    for (const RegKey& key : keys) {
        HRESULT hr = registering ? RegisterKey(key.hive, key) : UnregisterKey(key.hive, key);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT RunRegistryResource(HINSTANCE module, int id, const RegistrarReplacements& replacements, bool registering)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "REGISTRY");
    if (!found)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data)
        return E_FAIL;
    CStr script(data, static_cast<int>(SizeofResource(module, found)));
    return RunRegistryScript(script, replacements, registering);
}

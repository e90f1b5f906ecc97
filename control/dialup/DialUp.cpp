// Dial-up control through the platform's Remote Access Service, bound at run time so that the
// library loads and works where RAS is missing: the methods then report no connection. The
// state is the process's, shared by every control.
#include "DorvikFTPCtrl.h"

#include <cstring>

#include "Bstr.h"

namespace {

// The classic layouts of the RAS records, which the platform's headers no longer give with these
// sizes; single-byte text. 692 and 1060 bytes in 32-bit code, the same fields aligned in 64-bit.
typedef HANDLE RasConnection;
struct RasConnEntry {
    DWORD dwSize;
    RasConnection hrasconn;
    char szEntryName[257];
    char szDeviceType[17];
    char szDeviceName[129];
    char szPhonebook[260];
    DWORD dwSubEntry;
    GUID guidEntry;
};
static_assert(sizeof(RasConnEntry) == (sizeof(void*) == 4 ? 692 : 704), "RASCONN entry of 692 bytes");

struct RasDialParams {
    DWORD dwSize;
    char szEntryName[257];
    char szPhoneNumber[129];
    char szCallbackNumber[129];
    char szUserName[257];
    char szPassword[257];
    char szDomain[16];
    DWORD dwSubEntry;
    ULONG_PTR dwCallbackId;
};
static_assert(sizeof(RasDialParams) == (sizeof(void*) == 4 ? 1060 : 1064), "RASDIALPARAMS of 1060 bytes");

typedef DWORD(WINAPI* RasEnumConnectionsFn)(RasConnEntry*, DWORD*, DWORD*);
typedef DWORD(WINAPI* RasDialFn)(void*, const char*, RasDialParams*, DWORD, void*, RasConnection*);
typedef DWORD(WINAPI* RasHangUpFn)(RasConnection);

const DWORD kEnumeratedConnections = 5;

struct DialUpState {
    HMODULE module;
    RasEnumConnectionsFn enumConnections;
    RasDialFn dial;
    RasHangUpFn hangUp;
    RasConnection current;
    volatile LONG attemptsLeft;
    volatile LONG dialing;
};

DialUpState g_dialUp = {};

// 0 when the library is loaded and its three entry points are bound, 1 otherwise.
int DialUpLoadLibrary()
{
    HMODULE module = LoadLibraryA("RASAPI32.DLL");
    if (!module)
        return 1;
    g_dialUp.module = module;
    g_dialUp.enumConnections =
        reinterpret_cast<RasEnumConnectionsFn>(reinterpret_cast<void*>(GetProcAddress(module, "RasEnumConnectionsA")));
    g_dialUp.dial = reinterpret_cast<RasDialFn>(reinterpret_cast<void*>(GetProcAddress(module, "RasDialA")));
    g_dialUp.hangUp = reinterpret_cast<RasHangUpFn>(reinterpret_cast<void*>(GetProcAddress(module, "RasHangUpA")));
    return g_dialUp.enumConnections && g_dialUp.dial && g_dialUp.hangUp ? 0 : 1;
}

bool DialUpBound()
{
    if (!g_dialUp.module)
        return DialUpLoadLibrary() == 0;
    return g_dialUp.enumConnections && g_dialUp.dial && g_dialUp.hangUp;
}

// Copies text into a fixed field of a RAS record; false when it does not fit, so that nothing
// is dialed with a name or credentials cut short.
bool CopyField(char* field, size_t size, const CStr& text)
{
    if (static_cast<size_t>(text.GetLength()) >= size)
        return false;
    memcpy(field, text.c_str(), static_cast<size_t>(text.GetLength()) + 1);
    return true;
}

int DialUpIsConnected(const CStr& name)
{
    if (!DialUpBound())
        return 0;
    RasConnEntry entries[kEnumeratedConnections];
    memset(entries, 0, sizeof(entries));
    entries[0].dwSize = sizeof(RasConnEntry);
    DWORD size = sizeof(entries);
    DWORD count = 0;
    if (g_dialUp.enumConnections(entries, &size, &count) != 0 || count == 0)
        return 0;
    if (count > kEnumeratedConnections)
        count = kEnumeratedConnections;
    for (DWORD i = 0; i < count; ++i) {
        entries[i].szEntryName[sizeof(entries[i].szEntryName) - 1] = '\0';
        if (name == CStr(entries[i].szEntryName)) {
            g_dialUp.current = entries[i].hrasconn;
            return 1;
        }
    }
    return 0;
}

int DialUpHangUp()
{
    if (!DialUpBound())
        return 0;
    if (g_dialUp.current) {
        g_dialUp.hangUp(g_dialUp.current);
        g_dialUp.current = nullptr;
    }
    g_dialUp.attemptsLeft = 0;
    return 0;
}

int DialUpConnect(const CStr& name, const CStr& user, const CStr& password, long attempts)
{
    if (!DialUpBound())
        return 0;
    if (InterlockedCompareExchange(&g_dialUp.dialing, 1, 0) != 0) {
        // Another thread of the process dials: wait for it, then only look.
        while (g_dialUp.dialing)
            Sleep(500);
        return DialUpIsConnected(name);
    }
    RasDialParams params;
    memset(&params, 0, sizeof(params));
    params.dwSize = sizeof(params);
    bool fits = CopyField(params.szEntryName, sizeof(params.szEntryName), name) &&
                CopyField(params.szUserName, sizeof(params.szUserName), user) &&
                CopyField(params.szPassword, sizeof(params.szPassword), password);
    for (g_dialUp.attemptsLeft = fits ? attempts : 0; g_dialUp.attemptsLeft > 0; --g_dialUp.attemptsLeft) {
        g_dialUp.current = nullptr;
        if (g_dialUp.dial(nullptr, nullptr, &params, 0, nullptr, &g_dialUp.current) == 0)
            break;
        if (g_dialUp.current)
            DialUpHangUp();   // a half-made connection ends the attempts as well
        Sleep(1000);
    }
    SecureZeroMemory(params.szPassword, sizeof(params.szPassword));
    g_dialUp.dialing = 0;
    return DialUpIsConnected(name);
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::RasIsConnected(BSTR ConnectionName, long* pVal)
try {
    if (!pVal)
        return E_POINTER;
    *pVal = DialUpIsConnected(AnsiFromBstr(ConnectionName));
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::RasDisconnect()
try {
    DialUpHangUp();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::RasConnect(BSTR ConnectionName, BSTR Username, BSTR Password, long RedialNo)
try {
    if (DialUpConnect(AnsiFromBstr(ConnectionName), AnsiFromBstr(Username), AnsiFromBstr(Password), RedialNo) == 1)
        return S_OK;
    return Error("Not connected");
}
COMKIT_METHOD_CATCH

// The fake RASAPI32.DLL: the three entry points the control binds, over the classic record
// layouts (in 32-bit code RASCONN entries of 692 bytes, RASDIALPARAMS of 1060).
#include <cstring>

#include "FakeRas.h"

namespace {

FakeRasState g_state;
const DWORD kEntrySize = kRasConnEntrySize;
const DWORD kEntryNameOffset = kRasConnNameOffset;
const DWORD kDialRecordSize = kRasDialParamsSize;
// Offsets in RASDIALPARAMS: entry name 4, phone 261, callback 390, user 519, password 776.
const DWORD kDialEntry = 4, kDialUser = 519, kDialPassword = 776;

void CopyOut(char* to, const char* from, size_t size)
{
    strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

} // namespace

extern "C" __declspec(dllexport) FakeRasState* WINAPI FakeRasGetState()
{
    return &g_state;
}

extern "C" __declspec(dllexport) DWORD WINAPI RasEnumConnectionsA(BYTE* entries, DWORD* size, DWORD* count)
{
    ++g_state.enumCalls;
    g_state.enumEntrySize = *reinterpret_cast<DWORD*>(entries);
    g_state.enumBufferSize = *size;
    if (g_state.enumEntrySize != kEntrySize)
        return 632;   // ERROR_INVALID_SIZE
    DWORD needed = kEntrySize * static_cast<DWORD>(g_state.activeCount);
    if (*size < needed) {
        *size = needed;
        *count = 0;
        return 603;   // ERROR_BUFFER_TOO_SMALL
    }
    for (int i = 0; i < g_state.activeCount; ++i) {
        BYTE* entry = entries + kEntrySize * static_cast<DWORD>(i);
        memset(entry, 0, kEntrySize);
        *reinterpret_cast<DWORD*>(entry) = kEntrySize;
        *reinterpret_cast<HANDLE*>(entry + kRasConnHandleOffset) = g_state.active[i].handle;
        CopyOut(reinterpret_cast<char*>(entry + kEntryNameOffset), g_state.active[i].name, 257);
    }
    *size = needed;
    *count = static_cast<DWORD>(g_state.activeCount);
    return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI RasDialA(void*, const char*, BYTE* params, DWORD, void*, HANDLE* connection)
{
    ++g_state.dialCalls;
    g_state.dialRecordSize = *reinterpret_cast<DWORD*>(params);
    CopyOut(g_state.dialedEntry, reinterpret_cast<char*>(params + kDialEntry), sizeof(g_state.dialedEntry));
    CopyOut(g_state.dialedUser, reinterpret_cast<char*>(params + kDialUser), sizeof(g_state.dialedUser));
    CopyOut(g_state.dialedPassword, reinterpret_cast<char*>(params + kDialPassword), sizeof(g_state.dialedPassword));
    if (g_state.dialRecordSize != kDialRecordSize)
        return 632;
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5000 + g_state.dialCalls));
    switch (g_state.outcome) {
    case kDialFailsWithoutHandle:
        return 678;   // ERROR_NO_ANSWER
    case kDialFailsWithHandle:
        *connection = handle;
        return 678;
    case kDialConnects:
        *connection = handle;
        if (g_state.activeCount < 8) {
            CopyOut(g_state.active[g_state.activeCount].name, g_state.dialedEntry, sizeof(g_state.active[0].name));
            g_state.active[g_state.activeCount++].handle = handle;
        }
        return 0;
    }
    return 1;
}

extern "C" __declspec(dllexport) DWORD WINAPI RasHangUpA(HANDLE connection)
{
    ++g_state.hangUps;
    g_state.lastHungUp = connection;
    for (int i = 0; i < g_state.activeCount; ++i)
        if (g_state.active[i].handle == connection) {
            g_state.active[i] = g_state.active[--g_state.activeCount];
            break;
        }
    return 0;
}

// A stand-in for the platform's RASAPI32.DLL that the dial-up tests load in its place: it keeps
// a list of "active" connections, dials as it is told to, and records what it was given.
#ifndef DORVIK_TESTS_FAKERAS_H
#define DORVIK_TESTS_FAKERAS_H

#include <windows.h>

// The classic record layouts the control hands over: a RASCONN entry holds its handle after the
// size and its name after the handle; 64-bit code aligns the same fields wider.
#ifdef _WIN64
const DWORD kRasConnEntrySize = 704;
const DWORD kRasDialParamsSize = 1064;
#else
const DWORD kRasConnEntrySize = 692;
const DWORD kRasDialParamsSize = 1060;
#endif
const DWORD kRasConnHandleOffset = sizeof(HANDLE);
const DWORD kRasConnNameOffset = 2 * sizeof(HANDLE);

enum FakeDialOutcome { kDialFailsWithoutHandle, kDialFailsWithHandle, kDialConnects };

struct FakeRasConnection {
    char name[300];
    HANDLE handle;
};

struct FakeRasState {
    FakeRasConnection active[8];
    int activeCount;
    FakeDialOutcome outcome;
    // What the control handed over.
    int enumCalls, dialCalls, hangUps;
    DWORD enumEntrySize, enumBufferSize, dialRecordSize;
    HANDLE lastHungUp;
    char dialedEntry[300], dialedUser[300], dialedPassword[300];
};

typedef FakeRasState*(WINAPI* FakeRasStateFn)();

#endif

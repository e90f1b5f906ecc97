// A stand-in for the platform's RASAPI32.DLL that the dial-up tests load in its place: it keeps
// a list of "active" connections, dials as it is told to, and records what it was given.
#ifndef DORVIK_TESTS_FAKERAS_H
#define DORVIK_TESTS_FAKERAS_H

#include <windows.h>

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

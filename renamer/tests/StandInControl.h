// A stand-in for the DorvikFTP control, registered for the control's class identifier inside
// the test process: the window creates it exactly as it would the real one. It records every
// dispatch call and answers as the control would, serving "remote" files from a table by
// writing them to the local path that Get names.
#ifndef VELKARO_TESTS_STANDINCONTROL_H
#define VELKARO_TESTS_STANDINCONTROL_H

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct StandInCall {
    DISPID id;
    WORD flags;
    std::vector<std::wstring> args;  // declared order; a VT_I4 reads "i4:N"
};

struct RemoteFile {
    std::string content;
    bool breaksOff = false;  // the transfer fails after writing the content
    // The server never stops sending: Get writes the content over and over, running the
    // message pump between blocks as the control does, until Abort is called (or 64 MiB).
    bool endless = false;
};

struct StandInRecord {
    std::vector<unsigned char> loaded;
    std::vector<DISPID> calls;
    std::vector<StandInCall> detail;
    bool alive = false;
    bool answersPersist = true;
    // What the class object answers a creation: a failure is a control that cannot be created.
    HRESULT createResult = S_OK;
    HRESULT abortResult = S_OK;
    HRESULT connectResult = S_OK;
    HRESULT isConnectedResult = S_OK;
    long isConnected = 1;
    std::wstring cwd = L"/";
    std::map<std::wstring, RemoteFile> files;  // by the remote name Get asks for
    // Runs once inside the first call with this identifier (any call when DISPID_UNKNOWN).
    std::function<void()> duringCall;
    DISPID duringCallId = DISPID_UNKNOWN;
    bool aliveAfterHook = false;
    long long bytesWrittenByEndlessGet = 0;
    bool abortedDuringGet = false;
};
extern StandInRecord g_standIn;

// Registers the stand-in's class object for the control's class identifier while it lives.
class StandInRegistration {
public:
    StandInRegistration();
    ~StandInRegistration();
    bool Ok() const { return ok_; }

private:
    DWORD cookie_ = 0;
    bool ole_ = false;
    bool ok_ = false;
};

#endif

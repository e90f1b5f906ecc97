// What every FTP exchange of the control shares: the message pump that keeps the host alive
// while a method waits, the time-out rule, the guard on command arguments, and the reference a
// pumping method holds on its control.
#ifndef DORVIK_CONTROLCHANNEL_H
#define DORVIK_CONTROLCHANNEL_H

#include "DorvikFTPCtrl.h"

// Dispatches the thread's waiting messages once and yields; a quit message raises the control's
// abort flag and is posted again for the host's own loop.
void PumpMessages(CDorvikFTPCtrl* control);

// Seconds since 1970, the clock of every wait.
long long NowSeconds();
// A wait started at `start` is over once strictly more than `timeout` seconds have passed.
bool WaitExpired(long long start, long timeout);

// CR, LF or NUL inside an argument would end the command line early and smuggle in another
// command, after which every reply would answer the wrong command.
bool IsSafeCommandArgument(const CStr& text);
CStr UnsafeArgumentText(const char* what);
// Why a transfer of this remote file from this offset cannot even be asked for; empty when it can.
CStr TransferRefusal(const CStr& remote, long offset);

// Event handlers run inside every wait and may release the host's last reference; the running
// method keeps the object alive until it returns.
class ControlHold {
public:
    explicit ControlHold(CDorvikFTPCtrl* control) : m_control(control)
    {
        static_cast<IDorvikFTPCtrl*>(m_control)->AddRef();
    }
    ~ControlHold() { static_cast<IDorvikFTPCtrl*>(m_control)->Release(); }
    ControlHold(const ControlHold&) = delete;
    ControlHold& operator=(const ControlHold&) = delete;

private:
    CDorvikFTPCtrl* m_control;
};

// The failure of an operation whose connection a Disconnect from an event handler closed.
extern const char kClosedUnderCallText[];

// Closes a socket member and marks it empty; closing an empty one does nothing.
void CloseSocketMember(SOCKET* s);

#endif

// The scope of one FTP method: it admits the method (not while another runs, not without a
// connection when one is needed), marks the control Busy and holds it for the method's run, names
// the connection the method started on, and on every way out (success, failure, a connection taken
// away by an event handler, a C++ exception) puts Busy and the state back.
//
//     FtpOperation op(this, FtpOperation::NeedsConnection);
//     if (!op.Admitted())
//         return op.Refusal();
//     op.Begin(DFTP_STATE_PROCESSING, DFTP_STATE_LOGGEDIN);
//     ... the method's steps, through the I/O primitives ...
//     return ok ? op.Succeed() : op.Fail("Failure - " + m_strLastServerResponseText);
//
// The I/O primitives (send, reply, waits, accept) look at the running scope: once its connection is
// gone they do nothing and report failure, so a method needs no check of its own after each step.
#ifndef DORVIK_FTPOPERATION_H
#define DORVIK_FTPOPERATION_H

#include "ControlChannel.h"

extern const char kBusyText[];
extern const char kNotConnectedText[];
extern const char kEarlierReplyMissingText[];

class FtpOperation {
public:
    enum Needs { NeedsConnection, NoConnection };
    // A state value that is not sent.
    static const long kNoState = -1;

    FtpOperation(CDorvikFTPCtrl* control, Needs needs);
    ~FtpOperation();
    FtpOperation(const FtpOperation&) = delete;
    FtpOperation& operator=(const FtpOperation&) = delete;

    // False when another operation runs ("Busy.") or the connection is closed ("Not connected").
    bool Admitted() const { return m_refusal == nullptr; }
    HRESULT Refusal() const;

    // The method's run starts: Busy is set, an earlier Abort is forgotten (it was meant for work that
    // has ended), and startState is sent; endState is sent when the run ends.
    void Begin(long startState, long endState);
    // Connect replaces the connection inside its own run: from here on the scope names the new one.
    void AdoptNewConnection();
    // A background transfer goes on after its method returns: Busy stays set for its end to clear.
    void KeepBusy() { m_keepBusy = true; }
    // A method that leaves the control disconnected ends in that state, not in endState.
    void EndInState(long state) { m_endState = state; }

    // The connection this scope started on was taken away (Disconnect from an event handler).
    bool Lost() const;
    // A command of this run could not be sent because the server still owed the answer to an
    // earlier one; nothing more is sent or read in this run.
    void NoteEarlierReplyMissing() { m_earlierReplyMissing = true; }
    // A command of this run could not be sent at all: the connection is broken.
    void NoteConnectionBroken() { m_connectionBroken = true; }
    // Nothing more of this run may touch the sockets: a command could not be sent, or the
    // connection it started on was taken away under it.
    bool Halted() const { return m_earlierReplyMissing || m_connectionBroken || Lost(); }

    // The method's result. Both defer to what says more: a lost connection, or a send refused because
    // the server never answered an earlier command.
    HRESULT Succeed();
    HRESULT Fail(const CStr& text);

private:
    void End();
    HRESULT Outcome(HRESULT hr, const CStr* failure);

    CDorvikFTPCtrl* m_control;
    ControlHold m_hold;
    FtpOperation* m_outer;
    unsigned m_serial;
    const char* m_refusal = nullptr;
    bool m_begun = false;
    bool m_ended = false;
    bool m_keepBusy = false;
    bool m_earlierReplyMissing = false;
    bool m_connectionBroken = false;
    long m_endState = kNoState;
};

// Exchanges that belong to no FTP method (Disconnect's goodbye, the end of a background transfer)
// may run inside a method's wait, from an event handler; for their duration the primitives judge
// them by their own connection, not by the method they interrupted.
class OutsideOperation {
public:
    explicit OutsideOperation(CDorvikFTPCtrl* control) : m_control(control), m_saved(control->m_pOperation)
    {
        control->m_pOperation = nullptr;
    }
    ~OutsideOperation() { m_control->m_pOperation = m_saved; }
    OutsideOperation(const OutsideOperation&) = delete;
    OutsideOperation& operator=(const OutsideOperation&) = delete;

private:
    CDorvikFTPCtrl* m_control;
    FtpOperation* m_saved;
};

#endif

// The scope every FTP method runs in; see FtpOperation.h.
#include "FtpOperation.h"

const char kBusyText[] = "Busy.";
const char kNotConnectedText[] = "Not connected";
const char kEarlierReplyMissingText[] =
    "The server has not answered an earlier command; nothing was sent.";

FtpOperation::FtpOperation(CDorvikFTPCtrl* control, Needs needs)
    : m_control(control), m_hold(control), m_outer(control->m_pOperation), m_serial(control->m_connection.serial)
{
    if (control->m_bBusy) {
        m_refusal = kBusyText;
    } else if (needs == NeedsConnection && !control->HasControlConnection()) {
        // Whatever the last command answered is not this command's answer.
        m_refusal = kNotConnectedText;
        control->m_nLastServerResponse = 0;
        control->m_strLastServerResponseText.Empty();
    }
}

FtpOperation::~FtpOperation()
{
    End();
}

// Busy and the end state go back before the result is reported, so that a handler of that state
// notice that calls the control finds it free, and cannot overwrite the error text we leave.
void FtpOperation::End()
{
    if (!m_begun || m_ended)
        return;
    m_ended = true;
    m_control->m_pOperation = m_outer;
    // A Disconnect under the call cleared Busy and sent the state itself; a method started since
    // owns both now.
    if (Lost() || m_keepBusy)
        return;
    m_control->m_bBusy = FALSE;
    if (m_endState != kNoState) {
        try {
            m_control->SetState(m_endState);
        } catch (...) {
            // Unwinding already, or a sink that failed: the state notice is lost, Busy is not.
        }
    }
}

HRESULT FtpOperation::Refusal() const
{
    return m_control->Error(m_refusal ? m_refusal : kBusyText);
}

void FtpOperation::Begin(long startState, long endState)
{
    m_begun = true;
    m_endState = endState;
    m_control->m_pOperation = this;
    m_control->m_bBusy = TRUE;
    m_control->m_bAbort = FALSE;
    // The detail of an earlier method's failure says nothing about this one's.
    m_control->m_strErrorDetail.Empty();
    if (startState != kNoState)
        m_control->SetState(startState);
}

void FtpOperation::AdoptNewConnection()
{
    m_serial = m_control->m_connection.serial;
    // What went wrong on the connection before has nothing to say about the new one.
    m_earlierReplyMissing = false;
    m_connectionBroken = false;
}

bool FtpOperation::Lost() const
{
    return m_serial != m_control->m_connection.serial;
}

HRESULT FtpOperation::Succeed()
{
    return Outcome(S_OK, nullptr);
}

HRESULT FtpOperation::Fail(const CStr& text)
{
    return Outcome(DISP_E_EXCEPTION, &text);
}

HRESULT FtpOperation::Outcome(HRESULT hr, const CStr* failure)
{
    End();
    if (Lost())
        return m_control->Error(kClosedUnderCallText);
    if (m_earlierReplyMissing)
        return m_control->Error(kEarlierReplyMissingText);
    if (m_connectionBroken)
        return m_control->Error(kNotConnectedText);
    if (failure)
        return m_control->Error(*failure);
    return hr;
}

// The end of a transfer's data phase, clean or not, and the server's final word on it.
#include "TransferEnds.h"

#include "ControlChannel.h"

namespace {
const int kReplyTimeout = -10;
} // namespace

TransferReply FinishTransfer(CDorvikFTPCtrl* control, DataTransfer& t, bool interrupted)
{
    ControlHold hold(control);
    const unsigned serial = control->m_connection.serial;
    TransferReply reply;
    if (interrupted) {
        if (t.upload)
            t.CloseConnection(true);
        control->SendAbortSequence();
    }
    t.CloseConnection(false);
    if (control->ConnectionGone(serial))
        return reply;
    // The wait for the final word is not cut short by the Abort that may have ended the data.
    control->m_bAbort = FALSE;
    if (t.commandReply / 100 == 2) {
        // The server gave its final word when it took the command.
        reply.code = t.commandReply;
        reply.text = control->m_strLastServerResponseText;
    } else {
        reply.code = control->ReadReply(&control->m_sockControl);
        // A preliminary answer still owes the final one.
        while (reply.code >= 100 && reply.code <= 199 && !control->ConnectionGone(serial))
            reply.code = control->ReadReply(&control->m_sockControl);
        reply.text = control->m_strLastServerResponseText;
    }
    t.finalText = reply.text;
    // The ABOR's own answer; one that does not come stays owed to the next command.
    if (interrupted && reply.code != kReplyTimeout && !control->ConnectionGone(serial))
        control->ReadReply(&control->m_sockControl);
    return reply;
}

CStr FinishListing(CDorvikFTPCtrl* control, DataTransfer& listing, CDorvikFTPCtrl::ListingEnd end)
{
    const bool idle = end == CDorvikFTPCtrl::ListingBroken && WSAGetLastError() == WSAETIMEDOUT;
    TransferReply reply = FinishTransfer(control, listing, end != CDorvikFTPCtrl::ListingComplete);
    if (end == CDorvikFTPCtrl::ListingAborted)
        return CStr();
    if (idle || reply.code == kReplyTimeout)
        return "Timeout!";
    if (end == CDorvikFTPCtrl::ListingComplete && reply.Succeeded())
        return CStr();
    return "Failure! - " + reply.text;
}

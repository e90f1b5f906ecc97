// The end of a transfer's data phase, clean or not, and the server's final word on it.
#include "TransferEnds.h"

#include "ControlChannel.h"

namespace {
const int kReplyTimeout = -10;
} // namespace

void ResetSocketMember(SOCKET* s)
{
    if (*s == INVALID_SOCKET)
        return;
    linger hard = {1, 0};
    setsockopt(*s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
    CloseSocketMember(s);
}

TransferReply FinishTransfer(CDorvikFTPCtrl* control, bool interrupted)
{
    ControlHold hold(control);
    const unsigned serial = control->m_connection.serial;
    TransferReply reply;
    control->StopDataTransfer(interrupted);
    if (control->ConnectionGone(serial))
        return reply;
    reply.code = control->ReadTransferEnd(false);
    reply.text = control->m_strLastServerResponseText;
    if (interrupted && reply.code != kReplyTimeout && !control->ConnectionGone(serial))
        control->ReadReply(&control->m_sockControl);
    return reply;
}

CStr FinishListing(CDorvikFTPCtrl* control, CDorvikFTPCtrl::ListingEnd end)
{
    const bool idle = end == CDorvikFTPCtrl::ListingBroken && WSAGetLastError() == WSAETIMEDOUT;
    TransferReply reply = FinishTransfer(control, end != CDorvikFTPCtrl::ListingComplete);
    if (end == CDorvikFTPCtrl::ListingAborted)
        return CStr();
    if (idle || reply.code == kReplyTimeout)
        return "Timeout!";
    if (end == CDorvikFTPCtrl::ListingComplete && reply.code >= 200 && reply.code <= 299)
        return CStr();
    return "Failure! - " + reply.text;
}

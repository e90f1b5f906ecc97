// How a transfer whose data phase has begun is brought to an end, and what the server says of it.
#ifndef DORVIK_TRANSFERENDS_H
#define DORVIK_TRANSFERENDS_H

#include "DorvikFTPCtrl.h"

// Closes *s with a reset instead of the graceful close: a server that sees a clean end of an
// upload keeps the part it got as if it were the whole file.
void ResetSocketMember(SOCKET* s);

// The server's final reply to the transfer command itself.
struct TransferReply {
    int code = 0;
    CStr text;
};

// Ends the data phase: closes the data connection if it is still open and reads the transfer's
// final reply. With `interrupted` the server is first told to stop (Telnet interrupt and ABOR)
// and its answer to ABOR is taken too, so that the next command gets its own reply; the reply
// kept is still the transfer's, not the ABOR's.
TransferReply FinishTransfer(CDorvikFTPCtrl* control, bool interrupted);

// Ends a listing read by ReadListing. Empty when the listing is whole (the server closed the data
// connection and its final reply is 2xx) or was aborted; else the failure text: "Timeout!" after
// the idle time-out, "Failure! - " and the server's reply otherwise. Must follow ReadListing
// directly: an idle time-out is known by the socket error it leaves.
CStr FinishListing(CDorvikFTPCtrl* control, CDorvikFTPCtrl::ListingEnd end);

#endif

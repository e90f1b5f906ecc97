// How a transfer whose data phase has begun is brought to an end, and what the server says of it.
#ifndef DORVIK_TRANSFERENDS_H
#define DORVIK_TRANSFERENDS_H

#include "DorvikFTPCtrl.h"

// The server's final reply to the transfer command itself.
struct TransferReply {
    int code = 0;
    CStr text;
    // The server says the transfer worked.
    bool Succeeded() const { return code / 100 == 2; }
};

// The one end of every transfer and listing: closes the transfer's data connection if it is
// still open (an upload cut short with a reset, so that the server cannot keep the part it got
// as a whole file), reads the transfer's final reply and returns it. With `interrupted` (an
// abort, a time-out, a local failure) the server is first told to stop (Telnet interrupt and
// ABOR), and its answer to ABOR is taken too, so that the next command gets its own reply; the
// reply returned is still the transfer's, not the ABOR's. A transfer succeeded only when it was
// not interrupted and this reply Succeeded().
TransferReply FinishTransfer(CDorvikFTPCtrl* control, DataTransfer& t, bool interrupted);

// Ends a listing read by ReadListing. Empty when the listing is whole (the server closed the data
// connection and its final reply is 2xx) or was aborted; else the failure text: "Timeout!" after
// the idle time-out, "Failure! - " and the server's reply otherwise. Must follow ReadListing
// directly: an idle time-out is known by the socket error it leaves.
CStr FinishListing(CDorvikFTPCtrl* control, DataTransfer& listing, CDorvikFTPCtrl::ListingEnd end);

#endif

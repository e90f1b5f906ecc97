// The send loop of Put: a local file into the data connection, one progress report per piece.
#ifndef DORVIK_PIECEUPLOAD_H
#define DORVIK_PIECEUPLOAD_H

#include "DorvikFTPCtrl.h"

enum class UploadEnd {
    Sent,        // the whole file went out
    ReadFailed,  // the local file could not be read; the reason is in m_strErrorDetail
    SendFailed,  // the data connection broke; the reason is in m_strErrorDetail
    TimedOut,    // nothing went out for the control's Timeout seconds; m_strErrorDetail is "Timeout!"
    Aborted,     // the abort flag was seen
    Superseded,  // the connection was replaced while the loop pumped; nothing may be touched
};

// Sends the rest of `file` on the data connection `s`, which comes non-blocking and without
// notices. *count grows by every piece that has gone out and is reported with TransferProgress.
// Messages are pumped while the connection is full, and the abort flag and the time-out are
// looked at there and after every report.
UploadEnd SendFilePieces(CDorvikFTPCtrl* control, SOCKET s, HANDLE file, long* count);

#endif

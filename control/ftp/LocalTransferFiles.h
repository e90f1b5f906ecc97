// The local end of a download, shared by Get and BeginGet.
#ifndef DORVIK_LOCALTRANSFERFILES_H
#define DORVIK_LOCALTRANSFERFILES_H

#include <windows.h>

#include "CStr.h"

// Opens the local file a download writes, not shared, positioned where the server's bytes go.
// Offset 0 creates the file or empties it. A resume keeps exactly the file's first `offset` bytes
// and cuts off the rest, so that nothing from before is left behind the bytes the server sends;
// a file shorter than `offset` has no such prefix and is refused. On failure the result is
// INVALID_HANDLE_VALUE, the file is as it was, and *failure says why.
HANDLE OpenDownloadTarget(const CStr& local, long offset, CStr* failure);

#endif

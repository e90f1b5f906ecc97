// The local end of a download, shared by Get and BeginGet.
#ifndef DORVIK_LOCALTRANSFERFILES_H
#define DORVIK_LOCALTRANSFERFILES_H

#include <windows.h>

#include "CStr.h"

// Opens the local file a download writes, not shared, positioned where the server's bytes go.
// Offset 0 creates the file or empties it. A resume needs the file's first `offset` bytes: a file
// shorter than that has no such prefix and is refused. On failure the result is
// INVALID_HANDLE_VALUE, the file is as it was, and *failure says why.
HANDLE OpenDownloadTarget(const CStr& local, long offset, CStr* failure);

// Cuts off what the file holds past its position, so that nothing from before is left behind the
// bytes the server sends. Called only once the server has taken RETR: a refused resume must leave
// the whole file. False, with *failure, when the file could not be cut.
bool DropDownloadTargetTail(HANDLE file, CStr* failure);

#endif

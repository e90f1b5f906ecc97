// The named progress block: 20 bytes of page-file-backed shared memory, five 32-bit words, that
// a writer updates and any reader on the same desktop reads by name. No lock: words are read
// and written singly.
#ifndef DORVIK_PROGRESSBLOCK_H
#define DORVIK_PROGRESSBLOCK_H

#include <windows.h>

#include "CStr.h"

const DWORD kProgressBlockSize = 20;
// Word 0 counts bytes; word 1 is 1 after creation and the writer's section handle after each
// update, and 0 asks the writer to stop; word 3 is the writer's status; 2 and 4 are reserved.
enum ProgressWord { kProgressBytes = 0, kProgressAlive = 1, kProgressStatus = 3 };

// "DorvikFTP" and the millisecond tick count in upper-case hexadecimal.
CStr NewProgressBlockName();

struct ProgressReading {
    LONG bytes;
    LONG status;
    DWORD alive;
};

// Reader: opens the block read-only, copies its words and closes it again. *mapping and *view
// hold the section while the read runs and are none again when it returns.
bool ReadProgressBlock(const CStr& name, HANDLE* mapping, void** view, ProgressReading* out);

// Writer: creates (or opens) the block and marks it alive; an update writes nothing once a
// reader's side has cleared the alive word, and says so.
bool CreateProgressBlock(const CStr& name, HANDLE* mapping, void** view);
bool UpdateProgressBlock(HANDLE mapping, void* view, LONG bytes, LONG status);
void CloseProgressBlock(HANDLE* mapping, void** view);

#endif

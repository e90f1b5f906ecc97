// Whether a name taken from a remote listing may become one local file or folder name.
// A server chooses the names MGet writes; a name that holds a path separator, a drive or stream
// colon, or that Windows maps to a device, would land outside the target folder or not in a
// file at all.
#ifndef FTPLISTING_LOCALNAMECHECK_H
#define FTPLISTING_LOCALNAMECHECK_H

#include "CStr.h"

// False for: an empty name; any of / \ : and the characters Windows refuses in names (< > " | ? *);
// control characters (0x01-0x1F, 0x7F) and zero bytes; a name made only of dots and spaces (".",
// "..", "...", " "); a device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9, LPT0-LPT9 and
// the superscript COM1-3/LPT1-3), in any letter case, alone or followed by an extension or by
// trailing blanks ("nul.txt", "Com1.tar.gz", "AUX ").
bool IsSafeLocalFileName(const CStr& name);

#endif

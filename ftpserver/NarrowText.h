// Text from the host (BSTR, UTF-16) becomes account names, passwords and roots in the ANSI code page.
// A character the code page cannot hold must not silently become another one (a best-fit letter or
// '?'), or one account could be reached under a different name or password.
#ifndef FTPSERVER_NARROWTEXT_H
#define FTPSERVER_NARROWTEXT_H

#include "CStr.h"

// False when some character has no exact form in the calling thread's ANSI code page. A null text
// narrows to the empty string.
bool NarrowExactAnsi(const wchar_t* wide, CStr& narrow);

#endif

// The COM error object that tells automation hosts why a call failed.
#ifndef COMKIT_ERRORINFO_H
#define COMKIT_ERRORINFO_H

#include <windows.h>

#include "CStr.h"

// Installs an error object (description, source, GUID_NULL, no help) on the calling thread and
// returns DISP_E_EXCEPTION, which late-bound hosts turn into Err.Number/Source/Description.
HRESULT ReportComError(const char* source, const CStr& description);

#endif

// Methods whose engines are not in this build yet. Each reports a clear error to the host
// through the normal error path; the engine files replace these one by one.
#include "DorvikFTPCtrl.h"

#define DORVIK_PENDING(signature, name) \
    STDMETHODIMP CDorvikFTPCtrl::signature { return Error(name " is not available in this build."); }

DORVIK_PENDING(BeginGet(BSTR, BSTR, long, long*), "BeginGet")
DORVIK_PENDING(BeginPut(BSTR, BSTR, long), "BeginPut")

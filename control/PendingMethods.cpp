// Methods whose engines are not in this build yet. Each reports a clear error to the host
// through the normal error path; the engine files replace these one by one.
#include "DorvikFTPCtrl.h"

#define DORVIK_PENDING(signature, name) \
    STDMETHODIMP CDorvikFTPCtrl::signature { return Error(name " is not available in this build."); }

DORVIK_PENDING(Connect(), "Connect")
DORVIK_PENDING(Quote(BSTR), "Quote")
DORVIK_PENDING(Get(BSTR, BSTR, long), "Get")
DORVIK_PENDING(DeleteFile(BSTR), "DeleteFile")
DORVIK_PENDING(RenameFile(BSTR, BSTR), "RenameFile")
DORVIK_PENDING(Put(BSTR, BSTR, long), "Put")
DORVIK_PENDING(EnumFiles(BSTR), "EnumFiles")
DORVIK_PENDING(put_CurrentWorkingDirectory(BSTR), "CurrentWorkingDirectory")
DORVIK_PENDING(Abort(), "Abort")
DORVIK_PENDING(BeginGet(BSTR, BSTR, long, long*), "BeginGet")
DORVIK_PENDING(BeginPut(BSTR, BSTR, long), "BeginPut")
DORVIK_PENDING(FileExists(BSTR, long*), "FileExists")
DORVIK_PENDING(MPut(BSTR), "MPut")
DORVIK_PENDING(MGet(BSTR, BSTR), "MGet")

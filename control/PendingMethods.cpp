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
DORVIK_PENDING(RasIsConnected(BSTR, long*), "RasIsConnected")
DORVIK_PENDING(RasDisconnect(), "RasDisconnect")
DORVIK_PENDING(RasConnect(BSTR, BSTR, BSTR, long), "RasConnect")
DORVIK_PENDING(CreateProgressID(BSTR*), "CreateProgressID")
DORVIK_PENDING(GetProgressInfo(long*, long*), "GetProgressInfo")
DORVIK_PENDING(FreeProgressInfo(), "FreeProgressInfo")
DORVIK_PENDING(BeginGet(BSTR, BSTR, long, long*), "BeginGet")
DORVIK_PENDING(BeginPut(BSTR, BSTR, long), "BeginPut")
DORVIK_PENDING(FileExists(BSTR, long*), "FileExists")
DORVIK_PENDING(StartServer(long), "StartServer")
DORVIK_PENDING(StopServer(), "StopServer")
DORVIK_PENDING(ServerAddUser(BSTR, BSTR, BSTR, DFTP_SERVER_PERMISSIONS), "ServerAddUser")
DORVIK_PENDING(MPut(BSTR), "MPut")
DORVIK_PENDING(MGet(BSTR, BSTR), "MGet")
DORVIK_PENDING(AboutBox(), "AboutBox")

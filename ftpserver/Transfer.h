// Transfer module: the session thread opens and positions the local file (so that a file that cannot be
// used is refused before the 150 reply); the transfer thread moves the data and sends the final reply.
#ifndef FTPSERVER_TRANSFER_H
#define FTPSERVER_TRANSFER_H

#include "BuiltinFtpServer.h"
#include "FtpPaths.h"

enum StoreKind { STORE_REPLACE, STORE_APPEND, STORE_UNIQUE };
enum StoreOpenResult { STORE_OPENED, STORE_NAME_REFUSED, STORE_CANNOT_OPEN };

// RETR: a regular file, opened for reading and positioned at restOffset.
bool OpenForRetrieve(FtpSession* session, const ClientPath& path);
// STOR (REST n writes from n without cutting the file), APPE (from the end); no second writer.
StoreOpenResult OpenForStore(FtpSession* session, const ClientPath& path, StoreKind kind);
// STOU: a new file "file.N" in the current folder, created exclusively; path receives its name.
StoreOpenResult OpenUniqueForStore(FtpSession* session, ClientPath& path);

// Forgets the transfer block (the REST offset applies to one transfer only) and closes an unused file.
void ClearTransferBlock(FtpSession* session);

#endif

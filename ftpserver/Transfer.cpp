#include "Transfer.h"

#include "CommandIo.h"
#include "DataIo.h"
#include "BlockPipe.h"
#include "FileMapSend.h"
#include "ServerThreads.h"

#include <process.h>
#include <vector>

namespace {

bool Position(HANDLE file, long long offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != FALSE;
}

void TakeFile(FtpSession* session, HANDLE file, const ClientPath& path, bool created)
{
    session->transferFile = file;
    session->localPath = path.local;
    session->transferCreatedFile = created;
    session->transferTruncates = false;
}

StopFlags TransferStopFlags(FtpSession* session)
{
    StopFlags stop = SessionStopFlags(session);
    stop.flags[2] = &session->abortTransfer;
    return stop;
}

// How a transfer ends for its client.
enum TransferEnding {
    ENDING_REPLIED,  // the thread sends its final reply
    ENDING_ABORTED,  // ABOR has answered for it
    ENDING_DROPPED,  // the server dropped the session: no reply, and an upload keeps what arrived
};

// Decided under the lock ABOR also takes: once taken, ABOR no longer answers for the transfer.
TransferEnding TakeEnding(FtpSession* session)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    TransferEnding ending = session->stopRequested || server->m_bShuttingDown ? ENDING_DROPPED
                            : session->abortTransfer                          ? ENDING_ABORTED
                                                                              : ENDING_REPLIED;
    session->finalReplyTaken = true;
    server->Unlock();
    return ending;
}

void CloseDataSocket(FtpSession* session)
{
    if (session->dataSock != INVALID_SOCKET) {
        // The close sends what is still queued, then the end, as a shutdown first would, for two calls
        // to the Wine server fewer. (Either way, bytes the client sent and nobody read make it a reset.)
        CBuiltinFtpServer::CloseSock(session->dataSock);
        session->dataSock = INVALID_SOCKET;
    }
}

// The common end of both threads: the session is idle again and its transfer block cleared. After this
// the thread touches nothing of the record but its control connection; the session thread joins it
// before it starts another transfer.
void FinishTransfer(FtpSession* session)
{
    CBuiltinFtpServer* server = session->server;
    server->Lock();
    session->restOffset = 0;
    session->localPath.Empty();
    session->transferCreatedFile = false;
    session->transferTruncates = false;
    session->dataMode = FTP_DATA_NONE;
    session->state = FTP_IDLE;
    server->Unlock();
}

DWORD DataTimeout(FtpSession* session)
{
    session->server->Lock();
    DWORD ms = session->server->m_limits.dataTimeoutMs;
    session->server->Unlock();
    return ms;
}

}  // namespace

void ClearTransferBlock(FtpSession* session)
{
    if (session->transferFile != INVALID_HANDLE_VALUE) {
        CloseHandle(session->transferFile);
        session->transferFile = INVALID_HANDLE_VALUE;
        // The transfer never ran: a file it created goes again, an existing one was not touched.
        if (session->transferCreatedFile)
            DeleteFileA(CBuiltinFtpServer::ToNativePath(session->localPath));
    }
    session->restOffset = 0;
    session->localPath.Empty();
    session->transferCreatedFile = false;
    session->transferTruncates = false;
}

bool OpenForRetrieve(FtpSession* session, const ClientPath& path)
{
    // Asked by path: under Wine a query on the open handle also asks a driver for the volume, which costs
    // more than the rest of a small download.
    DWORD attributes = GetFileAttributesA(path.native);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    HANDLE file = CreateFileA(path.native, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (!Position(file, session->restOffset > 0 ? session->restOffset : 0)) {
        CloseHandle(file);
        return false;
    }
    TakeFile(session, file, path, false);
    return true;
}

StoreOpenResult OpenForStore(FtpSession* session, const ClientPath& path, StoreKind kind)
{
    DWORD attributes = GetFileAttributesA(path.native);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return STORE_CANNOT_OPEN;
    // Readers may share the file; a second writer may not, so two uploads never interleave.
    HANDLE file = CreateFileA(path.native, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return STORE_CANNOT_OPEN;
    bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    bool ok = true;
    if (kind == STORE_APPEND) {
        LARGE_INTEGER size;
        ok = GetFileSizeEx(file, &size) != FALSE;
        session->restOffset = ok ? size.QuadPart : 0;
        ok = ok && Position(file, session->restOffset);
    } else if (session->restOffset > 0) {
        ok = Position(file, session->restOffset);
    }
    if (!ok) {
        CloseHandle(file);
        if (created)
            DeleteFileA(path.native);
        return STORE_CANNOT_OPEN;
    }
    TakeFile(session, file, path, created);
    // An existing file keeps its content until the transfer thread really runs.
    session->transferTruncates = kind == STORE_REPLACE && session->restOffset <= 0 && !created;
    return STORE_OPENED;
}

StoreOpenResult OpenUniqueForStore(FtpSession* session, ClientPath& path)
{
    FtpAccount* account = session->account;
    if (!account)
        return STORE_NAME_REFUSED;
    for (int attempt = 0; attempt < 100; ++attempt) {
        CStr name = CStr::Format("file.%u", StrongRandom() % 100000u);
        if (!ResolveClientPath(account->root, session->cwd, name, path))
            return STORE_NAME_REFUSED;
        HANDLE file = CreateFileA(path.native, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            session->restOffset = 0;
            TakeFile(session, file, path, true);
            return STORE_OPENED;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return STORE_CANNOT_OPEN;
    }
    return STORE_CANNOT_OPEN;
}

namespace {

struct FileSide {
    BlockPipe* pipe;
    HANDLE file;
};

// Helper of RetrieveThread: reads the file ahead while the previous block is being sent.
unsigned __stdcall FileReader(void* argument)
{
    FileSide* side = static_cast<FileSide*>(argument);
    for (;;) {
        BlockPipe::Block* block = side->pipe->TakeEmpty();
        if (!block)
            break;  // the sender gave up
        DWORD got = 0;
        if (!ReadFile(side->file, block->bytes.data(), static_cast<DWORD>(block->bytes.size()), &got, nullptr)) {
            side->pipe->PutEmpty(block);
            side->pipe->Finish(true);
            break;
        }
        if (got == 0) {
            side->pipe->PutEmpty(block);
            side->pipe->Finish(false);
            break;
        }
        block->length = static_cast<int>(got);
        side->pipe->PutFull(block);
    }
    _endthreadex(0);
    return 0;
}

// Two blocks are enough to overlap reading and sending; hundreds of downloads must fit 32-bit memory.
constexpr int kPipeBlocks = 2;

void JoinHelper(HANDLE helper)
{
    WaitForSingleObject(helper, INFINITE);
    CloseHandle(helper);
}

// Moves an upload; its final reply.
const char* ReceiveUpload(FtpSession* session)
{
    // Receive and write in turn: overlapping them through a second thread measured slower here.
    StopFlags stop = TransferStopFlags(session);
    DWORD timeoutMs = DataTimeout(session);
    std::vector<char> buffer(FTP_IO_BLOCK);
    bool clientEnded = false, writeFailed = false;
    if (session->transferTruncates) {
        // Emptied: nothing of the old content is left to keep if the upload fails.
        session->transferCreatedFile = true;
        writeFailed = !SetEndOfFile(session->transferFile);
    }
    while (!writeFailed) {
        int got = ReceiveSome(session->dataSock, buffer.data(), FTP_IO_BLOCK, stop, timeoutMs);
        if (got == 0)
            clientEnded = true;
        if (got <= 0)
            break;
        DWORD written = 0;
        if (!WriteFile(session->transferFile, buffer.data(), static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got)) {
            writeFailed = true;  // a full disk, say: the upload is not a success
            break;
        }
    }
    return clientEnded && !writeFailed ? "226 Transfer complete.\r\n" : "550 Can 't receive file.\r\n";
}

// Moves a download; its final reply.
const char* SendDownload(FtpSession* session)
{
    StopFlags stop = TransferStopFlags(session);
    DWORD timeoutMs = DataTimeout(session);
    MappedSendResult mapped = SendFileMapped(session->transferFile, session->dataSock, stop, timeoutMs);
    if (mapped != MAPPED_UNAVAILABLE)
        return mapped == MAPPED_FAILED ? "550 Can 't Send File.\r\n" : "226 Transfer complete.\r\n";
    BlockPipe pipe(kPipeBlocks, FTP_IO_BLOCK);
    FileSide side{&pipe, session->transferFile};
    HANDLE reader = StartServerThread(FileReader, &side, nullptr);
    bool failed = reader == nullptr;
    while (!failed) {
        BlockPipe::Block* block = pipe.TakeFull();
        if (!block) {
            failed = pipe.Failed();  // a read error, or simply the end of the file
            break;
        }
        failed = !SendAll(session->dataSock, block->bytes.data(), block->length, stop, timeoutMs);
        pipe.PutEmpty(block);
    }
    pipe.Close();
    if (reader)
        JoinHelper(reader);
    return failed ? "550 Can 't Send File.\r\n" : "226 Transfer complete.\r\n";
}

// The body of both transfer threads. Running out of memory ends the transfer with a 4xx reply; no
// exception may leave the thread, since it would end the host process.
void RunTransfer(FtpSession* session, const char* (*move)(FtpSession*), bool upload)
{
    const char* reply = "451 Internal error - out of memory.\r\n";
    bool success = false;
    try {
        reply = move(session);
        success = reply[0] == '2';
    } catch (...) {
    }
    if (session->transferFile != INVALID_HANDLE_VALUE) {
        CloseHandle(session->transferFile);
        session->transferFile = INVALID_HANDLE_VALUE;
    }
    CloseDataSocket(session);
    TransferEnding ending = TakeEnding(session);
    try {
        // A failed upload leaves no half-written file behind, except when the server dropped the session:
        // the client did not give up, and may resume from what arrived.
        if (upload && !success && session->transferCreatedFile && ending != ENDING_DROPPED)
            DeleteFileA(CBuiltinFtpServer::ToNativePath(session->localPath));
    } catch (...) {
    }
    // Idle before the final reply goes out: the client may send its next PASV, REST or RETR the moment
    // it reads that reply.
    FinishTransfer(session);
    if (ending != ENDING_REPLIED)
        return;
    try {
        session->server->SendReply(session, reply);
    } catch (...) {
    }
}

}  // namespace

unsigned __stdcall StoreThread(void* argument)
{
    if (FtpSession* session = static_cast<FtpSession*>(argument))
        RunTransfer(session, ReceiveUpload, true);
    return 0;
}

unsigned __stdcall RetrieveThread(void* argument)
{
    if (FtpSession* session = static_cast<FtpSession*>(argument))
        RunTransfer(session, SendDownload, false);
    return 0;
}

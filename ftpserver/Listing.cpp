#include "Listing.h"

#include "CommandIo.h"
#include "DataIo.h"

#include <cctype>

namespace {

constexpr long long kRecentSeconds = 180LL * 86400;
constexpr int kMaxScanPath = 260;
// A listing leaves in blocks of this size, not one call per line.
constexpr int kListingFlush = 256 * 1024;

void FillEntry(FtpDirScan* scan)
{
    const WIN32_FIND_DATAA& data = scan->findData;
    scan->entryName = data.cFileName;
    scan->fullPath = scan->directory;
    if (!scan->fullPath.EndsWith("/"))
        scan->fullPath += '/';
    scan->fullPath += scan->entryName;
    scan->size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    scan->modifiedTime = UnixTimeOf(data.ftLastWriteTime);
    scan->modified = BreakDownUtc(scan->modifiedTime);
    scan->isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    scan->ownerRead = true;
    scan->ownerExecute = true;
    scan->ownerWrite = !(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
}

// NLST names each entry the way the client must name it from its working folder, so that a line can go
// back unchanged in the next RETR or DELE: after the folder it asked for, or bare when it named none.
CStr NameLine(const CStr& folder, const CStr& entryName)
{
    CStr line = folder;
    if (!line.IsEmpty() && !line.EndsWith("/") && !line.EndsWith("\\"))
        line += '/';
    line += entryName;
    line += "\r\n";
    return line;
}

bool NextRawEntry(FtpDirScan* scan)
{
    if (scan->findHandle == INVALID_HANDLE_VALUE) {
        scan->findHandle = FindFirstFileExA(CBuiltinFtpServer::ToNativePath(scan->pattern), FindExInfoBasic,
                                            &scan->findData, FindExSearchNameMatch, nullptr,
                                            FIND_FIRST_EX_LARGE_FETCH);
        return scan->findHandle != INVALID_HANDLE_VALUE;
    }
    return FindNextFileA(scan->findHandle, &scan->findData) != FALSE;
}

}  // namespace

long long UnixTimeOf(const FILETIME& time)
{
    long long ticks = (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    long long sinceEpoch = ticks - 116444736000000000LL;
    long long seconds = sinceEpoch / 10000000;
    if (sinceEpoch < 0 && sinceEpoch % 10000000)
        --seconds;
    return seconds;
}

long long UnixTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return UnixTimeOf(now);
}

FtpDirScan* BeginDirScan(const CStr& directory)
{
    FtpDirScan* scan = new FtpDirScan;
    scan->directory = directory;
    scan->pattern = directory.EndsWith("/") ? directory + "*" : directory + "/*";
    if (!StepDirScan(scan)) {
        EndDirScan(scan);
        return nullptr;
    }
    return scan;
}

bool StepDirScan(FtpDirScan* scan)
{
    // An entry whose full path would be too long for the platform is skipped, not the rest.
    while (NextRawEntry(scan)) {
        if (scan->directory.GetLength() + static_cast<int>(strlen(scan->findData.cFileName)) < kMaxScanPath) {
            FillEntry(scan);
            return true;
        }
    }
    return false;
}

void EndDirScan(FtpDirScan* scan)
{
    if (!scan)
        return;
    if (scan->findHandle != INVALID_HANDLE_VALUE)
        FindClose(scan->findHandle);
    delete scan;
}

CStr ParseListOptions(const CStr& argument, ListOptions& options)
{
    int at = 0;
    while (argument.At(at) == '-') {
        ++at;
        while (std::isalnum(argument.ByteAt(at))) {
            char letter = argument.At(at++);
            if (letter == 'a')
                options.all = true;
            else if (letter == 'd')
                options.directory = true;
            else if (letter == 'F')
                options.classify = true;
        }
        while (argument.At(at) == ' ' || argument.At(at) == '\t')
            ++at;
    }
    return argument.Mid(at);
}

CStr FormatListTime(const UtcTime& modified, long long modifiedTime, long long now)
{
    long long age = now - modifiedTime;
    if (age <= kRecentSeconds)  // a future time is negative: also shown with the hour
        return CStr::Format("%02d:%02d", modified.hour, modified.minute);
    return CStr::Format("%5d", modified.year);
}

CStr FormatLongLine(const FtpDirScan& e, bool classify, long long now, const char* const months[12])
{
    return CStr::Format("%c%c%c%c%c%c%c%c%c%c 1 user group %14lld %s %2d %s %s%s\r\n", e.isDirectory ? 'd' : '-',
                        e.ownerRead ? 'r' : '-', e.ownerWrite ? 'w' : '-', e.ownerExecute ? 'x' : '-',
                        e.groupRead ? 'r' : '-', e.groupWrite ? 'w' : '-', e.groupExecute ? 'x' : '-',
                        e.otherRead ? 'r' : '-', e.otherWrite ? 'w' : '-', e.otherExecute ? 'x' : '-', e.size,
                        months[e.modified.month0], e.modified.day,
                        FormatListTime(e.modified, e.modifiedTime, now).c_str(), e.entryName.c_str(),
                        classify && e.isDirectory ? "/" : "");
}

CStr FormatDirectoryLine(unsigned mode, long long size, long long modifiedTime, const CStr& name, bool classify,
                         long long now, const char* const months[12])
{
    UtcTime t = BreakDownUtc(modifiedTime);
    return CStr::Format("%c%c%c%c------ 1 user group %14lld %s %2d %s %s%s\r\n", 'd', (mode & 0x100) ? 'r' : '-',
                        (mode & 0x80) ? 'w' : '-', (mode & 0x40) ? 'x' : '-', size, months[t.month0], t.day,
                        FormatListTime(t, modifiedTime, now).c_str(), name.c_str(), classify ? "/" : "");
}

bool CBuiltinFtpServer::SendDirectoryListing(FtpSession* session, const CStr* argument, const char* verb)
{
    if (!session)
        return false;
    FtpAccount* account = session->account;
    if (!account || !(account->rights & FTP_RIGHT_LIST)) {
        SendReply(session, "550 Permission denied.\r\n");
        return false;
    }
    if (SessionState(session) != FTP_IDLE) {
        SendReply(session, "425 You're already connected.\r\n");
        return false;
    }
    CStr kind = verb;
    bool toControl = kind == "STAT";
    bool namesOnly = kind == "NLST";
    if (toControl) {
        SendReply(session, "213-Status follows:\r\n");
    } else {
        if (session->dataMode == FTP_DATA_NONE || !ConnectDataChannel(session)) {
            if (session->dataSock != INVALID_SOCKET)
                CloseSock(session->dataSock);
            session->dataSock = INVALID_SOCKET;
            session->dataMode = FTP_DATA_NONE;
            SendReply(session, "425 Can't open data connection.\r\n");
            return false;
        }
        SendReply(session, "150 Opening data connection for directory list.\r\n");
    }
    Lock();
    session->state = FTP_LISTING;
    Unlock();

    StopFlags stop = SessionStopFlags(session);
    Lock();
    DWORD timeoutMs = m_limits.dataTimeoutMs;
    Unlock();
    // A block that cannot be sent (the client does not read, the session is told to stop) ends the
    // listing: nothing after it would reach the client in order.
    bool sentAll = true;
    CStr pending;
    auto flush = [&](bool always) {
        if (pending.IsEmpty() || (!always && pending.GetLength() < kListingFlush))
            return;
        if (toControl)
            sentAll = SendReply(session, pending);
        else
            sentAll = SendAll(session->dataSock, pending.c_str(), pending.GetLength(), stop, timeoutMs);
        pending.Empty();
    };

    ListOptions options;
    CStr rest = ParseListOptions(argument ? *argument : CStr(), options);
    ClientPath path;
    struct _stati64 status;
    if (ResolveClientPath(account->root, session->cwd, rest, path) && QueryStatus(path, status) &&
        IsDirectoryMode(status.st_mode)) {
        long long now = UnixTimeNow();
        if (options.directory) {
            CStr name = toControl ? path.virtualPath : CStr(".");
            pending += FormatDirectoryLine(status.st_mode, status.st_size, status.st_mtime, name, options.classify,
                                           now, m_pszMonths);
        } else {
            FtpDirScan* scan = BeginDirScan(path.local);
            for (bool more = scan != nullptr; more && sentAll; more = StepDirScan(scan)) {
                if (stop.Raised()) {
                    sentAll = false;
                    break;
                }
                const CStr& name = scan->entryName;
                if (namesOnly) {
                    pending += NameLine(rest, name);
                } else if (name.At(0) != '.' || options.all) {
                    pending += FormatLongLine(*scan, options.classify, UnixTimeNow(), m_pszMonths);
                }
                flush(false);
            }
            EndDirScan(scan);
        }
    }
    if (sentAll)
        flush(true);

    if (toControl) {
        SendReply(session, "213 End of status\r\n");
    } else {
        // The client sees the end of the data before the completion reply: the close sends what is still
        // queued, then the end, as a shutdown first would, for two calls to the Wine server fewer.
        CloseSock(session->dataSock);
        session->dataSock = INVALID_SOCKET;
        session->dataMode = FTP_DATA_NONE;
        SendReply(session, sentAll ? "226 Transfer complete.\r\n" : "426 Connection closed; transfer aborted.\r\n");
    }
    Lock();
    session->state = FTP_IDLE;
    Unlock();
    return false;
}

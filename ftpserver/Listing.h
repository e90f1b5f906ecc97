// Listing module: directory scans and the Unix-like lines of LIST, NLST and STAT.
#ifndef FTPSERVER_LISTING_H
#define FTPSERVER_LISTING_H

#include <windows.h>

#include "CStr.h"
#include "SessionCommands.h"

struct FtpDirScan {
    HANDLE findHandle = INVALID_HANDLE_VALUE;
    CStr pattern;                 // directory + "/*"
    WIN32_FIND_DATAA findData;
    CStr entryName;
    bool ownerRead = false, ownerWrite = false, ownerExecute = false;
    bool groupRead = false, groupWrite = false, groupExecute = false;
    bool otherRead = false, otherWrite = false, otherExecute = false;
    bool isDirectory = false;
    UtcTime modified = {};
    long long modifiedTime = 0;   // seconds since 1970-01-01 UTC
    CStr directory;
    CStr fullPath;
    long long size = 0;
};

FtpDirScan* BeginDirScan(const CStr& directory);
bool StepDirScan(FtpDirScan* scan);
void EndDirScan(FtpDirScan* scan);

struct ListOptions {
    bool all = false;        // -a: names beginning with '.'
    bool directory = false;  // -d: the directory itself
    bool classify = false;   // -F: "/" after directory names
};
// Leading "-xyz" groups; returns what remains as the path argument.
CStr ParseListOptions(const CStr& argument, ListOptions& options);

// The time column: hour and minute within 180 days (or in the future), else the year.
CStr FormatListTime(const UtcTime& modified, long long modifiedTime, long long now);
CStr FormatLongLine(const FtpDirScan& entry, bool classify, long long now, const char* const months[12]);
CStr FormatDirectoryLine(unsigned mode, long long size, long long modifiedTime, const CStr& name, bool classify,
                         long long now, const char* const months[12]);

long long UnixTimeOf(const FILETIME& time);
long long UnixTimeNow();

#endif

// Recognises the lines of a LIST reply. The servers this client meets write Unix "ls -l" lines
// (with or without the link count, or with only a group) or DOS "dir" lines; a line is tried
// against the formats in a fixed order, and the SYST reply decides whether the Unix ones are
// tried at all.
#ifndef FTPLISTING_LISTLINEPARSER_H
#define FTPLISTING_LISTLINEPARSER_H

#include "CStr.h"
#include "FtpListEntry.h"

#include <optional>

// The scan patterns of the four formats; a line is taken only when every field is filled.
extern const char* const kUnixLongLine;       // 9 fields
extern const char* const kUnixNoLinksLine;    // 8 fields
extern const char* const kUnixGroupOnlyLine;  // 7 fields
extern const char* const kDosLine;            // 4 fields

// A server counts as a Windows server when its SYST reply line holds "Win" anywhere (case as is).
bool IsWindowsSystReply(const CStr& systReplyLine);

// EnumFiles' reading of one line (without its CR). `now` is the local date and time as a DATE:
// it gives the year of "Mon DD hh:mm" dates and the limit of the 365-day rule. Empty when the
// line fits no format (a "total" line, a blank line, anything else): no event, no FileListing line.
std::optional<FtpListEntry> ParseListLine(const CStr& line, bool windowsServer, double now);

// FileExists' test of one line: a full long Unix line or a DOS line, nothing else looked at.
bool CountsForFileExists(const CStr& line);

// MGet's sorting of one line into the files it downloads and the folders it descends into.
enum class MGetItemKind {
    NotAnEntry,      // fits neither the long Unix format nor the DOS format
    File,
    Folder,
    SkippedDots,     // "." or "..": descending would loop or climb
    SkippedLink,     // a symbolic link: following it could leave the tree or loop
    SkippedUnsafe,   // the name cannot be stored as one local file inside the target folder
};

struct MGetListItem {
    MGetItemKind Kind = MGetItemKind::NotAnEntry;
    CStr Name;  // the name field, whenever the line was an entry
};

MGetListItem ClassifyMGetLine(const CStr& line);

#endif

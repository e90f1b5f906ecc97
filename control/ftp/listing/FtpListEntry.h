// One recognised line of a LIST reply, in the form the EnumFile event carries it.
#ifndef FTPLISTING_FTPLISTENTRY_H
#define FTPLISTING_FTPLISTENTRY_H

#include "CStr.h"

// Which of the listing line formats recognised the line.
enum class FtpListFormat {
    UnixLong,       // permissions, links, user, group, size, month, day, time or year, name
    UnixNoLinks,    // permissions, user, group, size, month, day, time or year, name
    UnixGroupOnly,  // permissions, group, size, month, day, time or year, name
    Dos,            // MM-DD-YY, HH:MM[AM|PM], size or <DIR>, name
};

struct FtpListEntry {
    // The six values EnumFile sends, in its order.
    CStr Filename;          // rest of the line after the last fixed field, inner blanks kept
    double FileSize = 0;    // the size field at single precision (what EnumFile sends); -1 for a DOS folder
    CStr User;              // empty for DOS lines
    CStr Group;             // empty for DOS lines
    double FileDate = 0;    // automation DATE, local time; 0 when DateValid is false
    CStr FileFlags;         // Unix permission field as sent; "d" for a DOS folder; empty for a DOS file

    // What the event cannot carry but the FileListing text and the transfers need.
    FtpListFormat Format = FtpListFormat::UnixLong;
    long long ExactSize = 0;  // the size field as a 64-bit integer, not rounded to single precision
    bool DateValid = false;   // the date parts formed a real calendar date and time
    CStr DosDateText;         // DOS lines: the date field exactly as received (the FileListing shows it)

    bool IsDos() const { return Format == FtpListFormat::Dos; }
};

#endif

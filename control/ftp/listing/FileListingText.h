// The FileListing text that EnumFiles collects: one line per recognised entry, in the order the
// server sent them, six fields joined by TAB and ended by LF, no header, no CR:
//   name TAB size TAB user TAB group TAB date TAB flags LF
#ifndef FTPLISTING_FILELISTINGTEXT_H
#define FTPLISTING_FILELISTINGTEXT_H

#include "CStr.h"
#include "FtpListEntry.h"

// The size field: the single-precision size truncated toward zero while that fits a signed
// 32-bit value (-1 for a DOS folder); a size that does not fit (2 GiB and more) is written in
// full from the exact 64-bit size instead of wrapping.
CStr ListingSizeText(const FtpListEntry& entry);

// The date field: for a DOS line the date field as received; for a Unix line the platform's
// date-to-text conversion in the user's default locale (short date, then the time unless it is
// midnight), or "Invalid DateTime" when the line's date was no real date.
CStr ListingDateText(const FtpListEntry& entry);

// One whole line of the text, LF included.
CStr FileListingLine(const FtpListEntry& entry);

#endif

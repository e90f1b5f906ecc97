#include "FileListingText.h"

#include <windows.h>
#include <oleauto.h>

#include <cmath>

namespace {

CStr NarrowFromBstr(BSTR text)
{
    int wideLength = static_cast<int>(SysStringLen(text));
    if (wideLength == 0)
        return CStr();
    int length = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return CStr();
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wideLength, &narrow[0], length, nullptr, nullptr);
    return CStr(narrow);
}

} // namespace

CStr ListingSizeText(const FtpListEntry& entry)
{
    double truncated = std::trunc(entry.FileSize);
    if (truncated >= -2147483648.0 && truncated <= 2147483647.0)
        return CStr::Format("%ld", static_cast<long>(truncated));
    return CStr::Format("%lld", entry.ExactSize);
}

CStr ListingDateText(const FtpListEntry& entry)
{
    if (entry.IsDos())
        return entry.DosDateText;
    static const char* const kInvalid = "Invalid DateTime";
    if (!entry.DateValid)
        return kInvalid;
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(entry.FileDate, LOCALE_USER_DEFAULT, 0, &text)) || !text)
        return kInvalid;
    CStr narrow = NarrowFromBstr(text);
    SysFreeString(text);
    return narrow;
}

CStr FileListingLine(const FtpListEntry& entry)
{
    CStr line(entry.Filename);
    line += '\t';
    line += ListingSizeText(entry);
    line += '\t';
    line += entry.User;
    line += '\t';
    line += entry.Group;
    line += '\t';
    line += ListingDateText(entry);
    line += '\t';
    line += entry.FileFlags;
    line += '\n';
    return line;
}

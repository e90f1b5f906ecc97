#include "ListLineParser.h"

#include "ListDate.h"
#include "ListFieldScanner.h"
#include "LocalNameCheck.h"

#include <vector>

const char* const kUnixLongLine = " %s %s %s %s %f %s %s %s %[^\r]";
const char* const kUnixNoLinksLine = " %s %s %s %f %s %s %s %[^\r]";
const char* const kUnixGroupOnlyLine = " %s %s %f %s %s %s %[^\r]";
const char* const kDosLine = " %s %s %s %[^\r]";

namespace {

enum class UnixDateRule {
    Long,   // "hh:mm" always means this year, even when that lies ahead
    Short,  // "hh:mm" that lies ahead means a year ago (365 days back)
};

bool StartsWithDigit(const CStr& line)
{
    return line.ByteAt(0) >= '0' && line.ByteAt(0) <= '9';
}

int MonthNumber(CStr month)
{
    static const char* const kNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i)
        month.Replace(kNames[i], CStr::Format("%d", i + 1));
    return static_cast<int>(month.ToLong());
}

int YearOf(double date)
{
    CalendarTime when;
    return CalendarFromOleDate(date, when) ? when.Year : 0;
}

void SetDate(FtpListEntry& entry, const CalendarTime& when)
{
    double date = 0;
    entry.DateValid = OleDateFromCalendar(when, date);
    entry.FileDate = entry.DateValid ? date : 0;
}

void SetUnixDate(FtpListEntry& entry, const CStr& month, const CStr& day, const CStr& timeOrYear,
                 UnixDateRule rule, double now)
{
    CalendarTime when;
    when.Month = MonthNumber(month);
    when.Day = static_cast<int>(day.ToLong());
    bool isTime = true;
    if (timeOrYear.At(2) == ':')
        when.Minute = static_cast<int>(timeOrYear.Mid(3).ToLong());
    else if (timeOrYear.At(1) == ':')
        when.Minute = static_cast<int>(timeOrYear.Mid(2).ToLong());
    else
        isTime = false;
    if (isTime) {
        when.Year = YearOf(now);
        when.Hour = static_cast<int>(timeOrYear.ToLong());
    } else {
        when.Year = static_cast<int>(timeOrYear.ToLong());
    }
    SetDate(entry, when);
    if (rule == UnixDateRule::Short && isTime && entry.DateValid && entry.FileDate > now)
        entry.FileDate -= 365.0;
}

void SetUnixSize(FtpListEntry& entry, const ScannedField& size)
{
    entry.FileSize = size.Number;
    entry.ExactSize = DecimalToInt64(size.Text);
}

FtpListEntry UnixLongEntry(const std::vector<ScannedField>& f, double now)
{
    FtpListEntry entry;
    entry.Format = FtpListFormat::UnixLong;
    entry.FileFlags = f[0].Text;
    entry.User = f[2].Text;
    entry.Group = f[3].Text;
    SetUnixSize(entry, f[4]);
    SetUnixDate(entry, f[5].Text, f[6].Text, f[7].Text, UnixDateRule::Long, now);
    entry.Filename = f[8].Text;
    return entry;
}

FtpListEntry UnixNoLinksEntry(const std::vector<ScannedField>& f, double now)
{
    FtpListEntry entry;
    entry.Format = FtpListFormat::UnixNoLinks;
    entry.FileFlags = f[0].Text;
    entry.User = f[1].Text;
    entry.Group = f[2].Text;
    SetUnixSize(entry, f[3]);
    SetUnixDate(entry, f[4].Text, f[5].Text, f[6].Text, UnixDateRule::Short, now);
    entry.Filename = f[7].Text;
    return entry;
}

FtpListEntry UnixGroupOnlyEntry(const std::vector<ScannedField>& f, double now)
{
    FtpListEntry entry;
    entry.Format = FtpListFormat::UnixGroupOnly;
    entry.FileFlags = f[0].Text;
    entry.User = f[1].Text;  // the one owner field stands for both
    entry.Group = f[1].Text;
    SetUnixSize(entry, f[2]);
    SetUnixDate(entry, f[3].Text, f[4].Text, f[5].Text, UnixDateRule::Short, now);
    entry.Filename = f[6].Text;
    return entry;
}

bool IsDosFolderMarker(const CStr& sizeField)
{
    return sizeField.At(0) == '<';
}

FtpListEntry DosEntry(const std::vector<ScannedField>& f)
{
    const CStr& date = f[0].Text;
    const CStr& time = f[1].Text;
    const CStr& size = f[2].Text;
    FtpListEntry entry;
    entry.Format = FtpListFormat::Dos;
    entry.DosDateText = date;
    CalendarTime when;
    when.Month = static_cast<int>(date.Mid(0, 2).ToLong());
    when.Day = static_cast<int>(date.Mid(3, 2).ToLong());
    int twoDigitYear = static_cast<int>(date.Mid(6, 2).ToLong());
    when.Year = twoDigitYear >= 50 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
    // An AM or PM suffix is not looked at: the hour stands as written.
    when.Hour = static_cast<int>(time.Mid(0, 2).ToLong());
    when.Minute = static_cast<int>(time.Mid(3, 2).ToLong());
    SetDate(entry, when);
    if (IsDosFolderMarker(size)) {
        entry.FileSize = -1;
        entry.ExactSize = -1;
        entry.FileFlags = "d";
    } else {
        CStr number = size.Left(MeasureDecimalNumber(size, 0));
        entry.FileSize = number.IsEmpty() ? 0.0f : DecimalToFloat(number);
        entry.ExactSize = number.IsEmpty() ? 0 : DecimalToInt64(number);
    }
    entry.Filename = f[3].Text;
    return entry;
}

} // namespace

bool IsWindowsSystReply(const CStr& systReplyLine)
{
    return systReplyLine.Find("Win") != CStr::npos;
}

std::optional<FtpListEntry> ParseListLine(const CStr& line, bool windowsServer, double now)
{
    std::vector<ScannedField> fields;
    if (!windowsServer) {
        // A line that starts with a digit is a DOS line even when nine fields can be read from it.
        if (ScanListFields(line, kUnixLongLine, fields) == 9 && !StartsWithDigit(line))
            return UnixLongEntry(fields, now);
        if (ScanListFields(line, kUnixNoLinksLine, fields) == 8)
            return UnixNoLinksEntry(fields, now);
        if (ScanListFields(line, kUnixGroupOnlyLine, fields) == 7)
            return UnixGroupOnlyEntry(fields, now);
    }
    if (ScanListFields(line, kDosLine, fields) == 4)
        return DosEntry(fields);
    return std::nullopt;
}

bool CountsForFileExists(const CStr& line)
{
    std::vector<ScannedField> fields;
    return ScanListFields(line, kUnixLongLine, fields) == 9 || ScanListFields(line, kDosLine, fields) == 4;
}

MGetListItem ClassifyMGetLine(const CStr& line)
{
    MGetListItem item;
    std::vector<ScannedField> fields;
    bool folder = false;
    bool link = false;
    if (ScanListFields(line, kUnixLongLine, fields) == 9 && !StartsWithDigit(line)) {
        item.Name = fields[8].Text;
        folder = fields[0].Text.At(0) == 'd';
        link = fields[0].Text.At(0) == 'l';
    } else if (ScanListFields(line, kDosLine, fields) == 4) {
        item.Name = fields[3].Text;
        folder = IsDosFolderMarker(fields[2].Text);
    } else {
        return item;
    }
    if (item.Name == "." || item.Name == "..")
        item.Kind = MGetItemKind::SkippedDots;
    else if (link)
        item.Kind = MGetItemKind::SkippedLink;
    else if (!IsSafeLocalFileName(item.Name))
        item.Kind = MGetItemKind::SkippedUnsafe;
    else
        item.Kind = folder ? MGetItemKind::Folder : MGetItemKind::File;
    return item;
}

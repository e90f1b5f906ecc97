// Listing lines: the exact layout, the 180-day time rule, options, and UTC dates.
#include "Listing.h"

#include <gtest/gtest.h>

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

FtpDirScan Entry(const char* name, long long size, long long modified, bool directory, bool readOnly)
{
    FtpDirScan e;
    e.entryName = name;
    e.size = size;
    e.modifiedTime = modified;
    e.modified = BreakDownUtc(modified);
    e.isDirectory = directory;
    e.ownerRead = e.ownerExecute = true;
    e.ownerWrite = !readOnly;
    return e;
}

TEST(BreakDownUtc, GivesCalendarFields)
{
    UtcTime t = BreakDownUtc(1700000000);  // 2023-11-14 22:13:20
    EXPECT_EQ(2023, t.year);
    EXPECT_EQ(10, t.month0);
    EXPECT_EQ(14, t.day);
    EXPECT_EQ(22, t.hour);
    EXPECT_EQ(13, t.minute);
    EXPECT_EQ(20, t.second);
    UtcTime leap = BreakDownUtc(951782400);  // 2000-02-29 00:00:00
    EXPECT_EQ(1, leap.month0);
    EXPECT_EQ(29, leap.day);
    UtcTime before = BreakDownUtc(-1);  // 1969-12-31 23:59:59
    EXPECT_EQ(1969, before.year);
    EXPECT_EQ(59, before.second);
}

TEST(FormatLongLine, ShowsHourWithin180DaysAndTheYearBeyond)
{
    const long long now = 1700000000;
    const long long day = 86400;
    struct Row { long long age; const char* time; };
    const Row rows[] = {{179 * day, "%02d:%02d"}, {180 * day, "%02d:%02d"}, {181 * day, "%5d"}, {-3 * day, "%02d:%02d"}};
    for (const Row& row : rows) {
        UtcTime t = BreakDownUtc(now - row.age);
        CStr expected = CStr(row.time) == "%5d" ? CStr::Format("%5d", t.year) : CStr::Format("%02d:%02d", t.hour, t.minute);
        EXPECT_STREQ(expected.c_str(), FormatListTime(t, now - row.age, now).c_str()) << row.age;
    }
    EXPECT_STREQ("-rwx------ 1 user group          20000 Nov 14 22:13 f.txt\r\n",
                 FormatLongLine(Entry("f.txt", 20000, now, false, false), false, now, kMonths).c_str());
    EXPECT_STREQ("-r-x------ 1 user group              5 May 17  2023 old\r\n",
                 FormatLongLine(Entry("old", 5, now - 181 * day, false, true), true, now, kMonths).c_str());
    EXPECT_STREQ("drwx------ 1 user group              0 Nov 14 22:13 sub/\r\n",
                 FormatLongLine(Entry("sub", 0, now, true, false), true, now, kMonths).c_str());
    EXPECT_STREQ("drwx------ 1 user group              0 Nov 14 22:13 sub\r\n",
                 FormatLongLine(Entry("sub", 0, now, true, false), false, now, kMonths).c_str());
}

TEST(FormatDirectoryLine, TakesTheModeBits)
{
    const long long now = 1700000000;
    EXPECT_STREQ("dr-x------ 1 user group              0 Nov 14 22:13 /sub/\r\n",
                 FormatDirectoryLine(0x4000 | 0x100 | 0x40, 0, now, "/sub", true, now, kMonths).c_str());
}

TEST(ParseListOptions, TakesLetterGroupsAndLeavesThePath)
{
    struct Row { const char* argument; bool all, directory, classify; const char* rest; };
    const Row rows[] = {
        {"-la", true, false, false, ""},
        {"-l", false, false, false, ""},
        {"-A sub", false, false, false, "sub"},
        {"-F -d  /x", false, true, true, "/x"},
        {"-f", false, false, false, ""},
        {"sub -a", false, false, false, "sub -a"},
    };
    for (const Row& row : rows) {
        ListOptions options;
        CStr rest = ParseListOptions(row.argument, options);
        EXPECT_EQ(row.all, options.all) << row.argument;
        EXPECT_EQ(row.directory, options.directory) << row.argument;
        EXPECT_EQ(row.classify, options.classify) << row.argument;
        EXPECT_STREQ(row.rest, rest.c_str()) << row.argument;
    }
}

}  // namespace

#include "ListLineParser.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const double kDecember10 = Date(2026, 12, 10, 9, 49);  // listed on 10 December 2026, 09:49
const double kJanuary5 = Date(2027, 1, 5, 12, 0);      // listed on 5 January 2027, noon
const double kInvalid = -1e300;                        // expected date: "no real date"

struct ParseCase {
    const char* what;
    std::string line;
    bool windows;
    double now;
    FtpListFormat format;
    const char* name;
    double size;
    long long exactSize;
    const char* user;
    const char* group;
    double date;
    const char* flags;
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, GivesTheEntry)
{
    const ParseCase& c = GetParam();
    std::optional<FtpListEntry> entry = ParseListLine(Bytes(c.line), c.windows, c.now);
    ASSERT_TRUE(entry.has_value()) << c.what;
    EXPECT_EQ(entry->Format, c.format) << c.what;
    EXPECT_EQ(entry->Filename.str(), c.name) << c.what;
    EXPECT_EQ(entry->FileSize, c.size) << c.what;
    EXPECT_EQ(entry->ExactSize, c.exactSize) << c.what;
    EXPECT_EQ(entry->User.str(), c.user) << c.what;
    EXPECT_EQ(entry->Group.str(), c.group) << c.what;
    EXPECT_EQ(entry->FileFlags.str(), c.flags) << c.what;
    if (c.date == kInvalid) {
        EXPECT_FALSE(entry->DateValid) << c.what;
        EXPECT_EQ(entry->FileDate, 0.0) << c.what;
    } else {
        EXPECT_TRUE(entry->DateValid) << c.what;
        EXPECT_DOUBLE_EQ(entry->FileDate, c.date) << c.what;
    }
}

using F = FtpListFormat;

INSTANTIATE_TEST_SUITE_P(
    UnixLines, ParseTable,
    ::testing::Values(
        ParseCase{"long line, this year's time, name with a blank",
                  "-rw-r--r-- 1 owner staff 1234 Mar 5 14:07 my file.txt", false, kDecember10, F::UnixLong,
                  "my file.txt", 1234, 1234, "owner", "staff", Date(2026, 3, 5, 14, 7), "-rw-r--r--"},
        ParseCase{"long line with a year is dated at midnight",
                  "-rw-r--r-- 1 owner staff 1234 Mar 5 2019 my file.txt", false, kDecember10, F::UnixLong,
                  "my file.txt", 1234, 1234, "owner", "staff", Date(2019, 3, 5), "-rw-r--r--"},
        ParseCase{"long line keeps this year even in the future",
                  "-rw-r--r-- 1 owner staff 10 Dec 20 10:00 later.txt", false, kJanuary5, F::UnixLong,
                  "later.txt", 10, 10, "owner", "staff", Date(2027, 12, 20, 10, 0), "-rw-r--r--"},
        ParseCase{"h:mm time", "-rw-r--r-- 1 owner staff 10 Jan 2 9:05 early", false, kJanuary5, F::UnixLong,
                  "early", 10, 10, "owner", "staff", Date(2027, 1, 2, 9, 5), "-rw-r--r--"},
        ParseCase{"symbolic link keeps arrow and target in the name",
                  "lrwxrwxrwx 1 root root 11 Dec 10 09:50 link -> my file.txt", false, kDecember10, F::UnixLong,
                  "link -> my file.txt", 11, 11, "root", "root", Date(2026, 12, 10, 9, 50), "lrwxrwxrwx"},
        ParseCase{"blanks before the name are not part of it, trailing ones are",
                  "-rw-r--r-- 1 u g 2 Dec 10 09:50   lead.txt  ", false, kDecember10, F::UnixLong,
                  "lead.txt  ", 2, 2, "u", "g", Date(2026, 12, 10, 9, 50), "-rw-r--r--"},
        ParseCase{"3000000000 bytes: single precision for the event, exact beside it",
                  "-rw-r--r-- 1 0 0 3000000001 Nov 20 08:15 big.iso", false, kDecember10, F::UnixLong, "big.iso",
                  3000000000.0, 3000000001LL, "0", "0", Date(2026, 11, 20, 8, 15), "-rw-r--r--"},
        ParseCase{"month name outside the table: an entry with no valid date",
                  "-rw-r--r-- 1 u g 5 Mär 5 2019 x", false, kDecember10, F::UnixLong, "x", 5, 5, "u", "g",
                  kInvalid, "-rw-r--r--"},
        ParseCase{"29 February of a year that has none", "-rw-r--r-- 1 u g 5 Feb 29 10:00 x", false, kDecember10,
                  F::UnixLong, "x", 5, 5, "u", "g", kInvalid, "-rw-r--r--"},
        ParseCase{"no links: a time ahead of now moves back 365 days",
                  "-rw-r--r-- owner staff 10 Dec 20 10:00 later.txt", false, kJanuary5, F::UnixNoLinks,
                  "later.txt", 10, 10, "owner", "staff", Date(2026, 12, 20, 10, 0), "-rw-r--r--"},
        ParseCase{"no links: a time before now stays",
                  "-rw-r--r-- owner staff 10 Jan 5 11:59 x", false, kJanuary5, F::UnixNoLinks, "x", 10, 10,
                  "owner", "staff", Date(2027, 1, 5, 11, 59), "-rw-r--r--"},
        ParseCase{"no links: 365 days back, not one calendar year (across a leap year)",
                  "-rw-r--r-- o s 1 Dec 31 10:00 x", false, Date(2028, 6, 1), F::UnixNoLinks, "x", 1, 1, "o", "s",
                  Date(2028, 1, 1, 10, 0), "-rw-r--r--"},
        ParseCase{"no links: a year is never moved", "-rw-r--r-- owner staff 10 Dec 20 2030 x", false, kJanuary5,
                  F::UnixNoLinks, "x", 10, 10, "owner", "staff", Date(2030, 12, 20), "-rw-r--r--"},
        ParseCase{"group only: the owner field is user and group",
                  "drwxr-xr-x folder 0 Nov 17 1993 Mac Stuff", false, kDecember10, F::UnixGroupOnly, "Mac Stuff",
                  0, 0, "folder", "folder", Date(1993, 11, 17), "drwxr-xr-x"},
        ParseCase{"group only: the 365-day rule applies", "-rw-r--r-- ftp 7 Dec 20 10:00 x", false, kJanuary5,
                  F::UnixGroupOnly, "x", 7, 7, "ftp", "ftp", Date(2026, 12, 20, 10, 0), "-rw-r--r--"}));

INSTANTIATE_TEST_SUITE_P(
    DosLines, ParseTable,
    ::testing::Values(
        ParseCase{"folder from a Windows server; the PM suffix is ignored",
                  "01-31-03  02:30PM       <DIR>          Reports", true, kDecember10, F::Dos, "Reports", -1, -1, "",
                  "", Date(2003, 1, 31, 2, 30), "d"},
        ParseCase{"file, name with blanks", "02-14-21  09:05AM             123456 file name.txt", true,
                  kDecember10, F::Dos, "file name.txt", 123456, 123456, "", "", Date(2021, 2, 14, 9, 5), ""},
        ParseCase{"year 49 is 2049", "12-31-49  11:59PM  1 x", true, kDecember10, F::Dos, "x", 1, 1, "", "",
                  Date(2049, 12, 31, 11, 59), ""},
        ParseCase{"year 50 is 1950", "01-01-50  00:00  1 x", true, kDecember10, F::Dos, "x", 1, 1, "", "",
                  Date(1950, 1, 1), ""},
        ParseCase{"4 GiB file", "06-30-25  08:00AM  4294967296 disk.img", true, kDecember10, F::Dos, "disk.img",
                  4294967296.0, 4294967296LL, "", "", Date(2025, 6, 30, 8, 0), ""},
        ParseCase{"a DOS line from a server without Win in SYST, when no Unix format fits",
                  "01-31-03  02:30PM       <DIR>          Reports", false, kDecember10, F::Dos, "Reports", -1, -1,
                  "", "", Date(2003, 1, 31, 2, 30), "d"},
        ParseCase{"a line starting with a digit is no long Unix line, though nine fields fit",
                  "0 1 owner group 5 Mar 5 2019 name", false, kDecember10, F::Dos, "group 5 Mar 5 2019 name", 0, 0,
                  "", "", kInvalid, ""},
        ParseCase{"a Windows server's Unix-style line is read as a DOS line",
                  "-rw-r--r-- 1 owner group 1234 Mar 5 14:07 x", true, kDecember10, F::Dos,
                  "group 1234 Mar 5 14:07 x", 0, 0, "", "", kInvalid, ""},
        ParseCase{"a size field that is no number is 0", "01-31-03  02:30PM  big name", true, kDecember10, F::Dos,
                  "name", 0, 0, "", "", Date(2003, 1, 31, 2, 30), ""}));

// From a server without "Win", a DOS file name of three or more words fits the group-only format
// first; the order of the formats decides.
TEST(ParseListLine, ADosFileOfManyWordsFromAUnixServerFitsGroupOnly)
{
    std::optional<FtpListEntry> entry =
        ParseListLine("01-31-03  02:30PM  12345 my long file name.txt", false, kDecember10);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->Format, FtpListFormat::UnixGroupOnly);
    EXPECT_EQ(entry->Filename, "name.txt");
}

TEST(ParseListLine, IgnoresLinesThatFitNoFormat)
{
    for (const char* line : {"total 32", "", "   ", "-rw-r--r-- 1 a", "a b c", "226 Transfer complete"})
        for (bool windows : {false, true})
            EXPECT_FALSE(ParseListLine(line, windows, kDecember10).has_value()) << "'" << line << "'";
}

TEST(ParseListLine, TakesNamesAndFieldsOfAnyLength)
{
    std::string user(300, 'u');
    std::string name(5000, 'n');
    std::optional<FtpListEntry> entry =
        ParseListLine(Bytes("-rw-r--r-- 1 " + user + " g 1 Mar 5 2019 " + name), false, kDecember10);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->User.str(), user);
    EXPECT_EQ(entry->Filename.str(), name);
}

TEST(IsWindowsSystReply, LooksForWinCaseSensitively)
{
    EXPECT_TRUE(IsWindowsSystReply("215 Windows_NT"));
    EXPECT_TRUE(IsWindowsSystReply("215 UNIX emulated by Win32 server"));
    EXPECT_FALSE(IsWindowsSystReply("215 UNIX Type: L8"));
    EXPECT_FALSE(IsWindowsSystReply("215 WINDOWS"));
    EXPECT_FALSE(IsWindowsSystReply(""));
}

TEST(CountsForFileExists, AnyLongUnixLineOrFourFields)
{
    EXPECT_TRUE(CountsForFileExists("-rw-r--r-- 1 owner staff 1234 Mar 5 14:07 my file.txt"));
    EXPECT_TRUE(CountsForFileExists("01-31-03  02:30PM       <DIR>          Reports"));
    EXPECT_TRUE(CountsForFileExists("\n-rw-r--r-- owner staff 1234 Mar 5 14:07 x"));  // LF kept by FileExists
    EXPECT_TRUE(CountsForFileExists("a b c d"));
    EXPECT_FALSE(CountsForFileExists("total 32"));
    EXPECT_FALSE(CountsForFileExists("a b c"));
    EXPECT_FALSE(CountsForFileExists("\n"));
}

struct MGetCase {
    const char* line;
    MGetItemKind kind;
    const char* name;
};

class MGetTable : public ::testing::TestWithParam<MGetCase> {};

TEST_P(MGetTable, SortsTheLine)
{
    MGetListItem item = ClassifyMGetLine(GetParam().line);
    EXPECT_EQ(item.Kind, GetParam().kind) << GetParam().line;
    EXPECT_EQ(item.Name.str(), GetParam().name) << GetParam().line;
}

using K = MGetItemKind;

INSTANTIATE_TEST_SUITE_P(
    Lines, MGetTable,
    ::testing::Values(
        MGetCase{"-rw-r--r-- 1 u g 1234 Mar 5 14:07 my file.txt", K::File, "my file.txt"},
        MGetCase{"drwxr-xr-x 2 u g 4096 Jan 31 2025 Reports", K::Folder, "Reports"},
        MGetCase{"drwxr-xr-x 3 u g 4096 Dec 10 09:50 .", K::SkippedDots, "."},
        MGetCase{"drwxr-xr-x 3 u g 4096 Dec 10 09:50 ..", K::SkippedDots, ".."},
        MGetCase{"lrwxrwxrwx 1 u g 11 Dec 10 09:50 up -> ..", K::SkippedLink, "up -> .."},
        MGetCase{"lrwxrwxrwx 1 u g 4 Dec 10 09:50 plain", K::SkippedLink, "plain"},
        MGetCase{"-rw-r--r-- 1 u g 1 Mar 5 14:07 ../../evil.bat", K::SkippedUnsafe, "../../evil.bat"},
        MGetCase{"-rw-r--r-- 1 u g 1 Mar 5 14:07 C:\\evil.bat", K::SkippedUnsafe, "C:\\evil.bat"},
        MGetCase{"-rw-r--r-- 1 u g 1 Mar 5 14:07 NUL.txt", K::SkippedUnsafe, "NUL.txt"},
        MGetCase{"drwxr-xr-x 2 u g 1 Mar 5 14:07 ...", K::SkippedUnsafe, "..."},
        MGetCase{"01-31-03  02:30PM       <DIR>          Reports", K::Folder, "Reports"},
        MGetCase{"02-14-21  09:05AM             123456 file name.txt", K::File, "file name.txt"},
        MGetCase{"01-31-03  02:30PM       <DIR>          ..", K::SkippedDots, ".."},
        // MGet tries no short Unix format; such a line still fits the DOS one.
        MGetCase{"-rw-r--r-- owner staff 10 Dec 20 2019 later.txt", K::File, "10 Dec 20 2019 later.txt"},
        MGetCase{"total 32", K::NotAnEntry, ""}));

} // namespace

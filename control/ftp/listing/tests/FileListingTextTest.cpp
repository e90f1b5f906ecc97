#include "FileListingText.h"
#include "ListLineParser.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const double kDecember10 = Date(2026, 12, 10, 9, 49);

FtpListEntry Parse(const char* line, bool windows = false)
{
    std::optional<FtpListEntry> entry = ParseListLine(line, windows, kDecember10);
    EXPECT_TRUE(entry.has_value()) << line;
    return entry.value_or(FtpListEntry());
}

TEST(FileListingText, UnixLineIsSixTabSeparatedFieldsAndAnLf)
{
    FtpListEntry entry = Parse("-rw-r--r-- 1 owner staff 1234 Mar 5 14:07 my file.txt");
    CStr date = ListingDateText(entry);
    EXPECT_EQ(FileListingLine(entry), "my file.txt\t1234\towner\tstaff\t" + date + "\t-rw-r--r--\n");
    EXPECT_GE(date.Find("2026"), 0) << date.str();
}

TEST(FileListingText, DosLineShowsTheDateFieldAsReceived)
{
    EXPECT_EQ(FileListingLine(Parse("01-31-03  02:30PM       <DIR>          Reports", true)),
              "Reports\t-1\t\t\t01-31-03\td\n");
    EXPECT_EQ(FileListingLine(Parse("13-45-03  02:30PM  12 odd.txt", true)), "odd.txt\t12\t\t\t13-45-03\t\n");
}

// The platform's text leaves the time out at midnight, so a year-dated entry shows the date alone.
TEST(FileListingText, MidnightShowsTheDateAlone)
{
    CStr withTime = ListingDateText(Parse("-rw-r--r-- 1 u g 1 Mar 5 14:07 x"));
    CStr midnight = ListingDateText(Parse("-rw-r--r-- 1 u g 1 Mar 5 2026 x"));
    EXPECT_LT(midnight.GetLength(), withTime.GetLength());
    EXPECT_TRUE(withTime.StartsWith(midnight)) << withTime.str() << " / " << midnight.str();
}

TEST(FileListingText, InvalidDateIsNamed)
{
    EXPECT_EQ(ListingDateText(Parse("-rw-r--r-- 1 u g 1 Foo 5 2019 x")), "Invalid DateTime");
    EXPECT_EQ(ListingDateText(Parse("-rw-r--r-- 1 u g 1 Feb 30 2019 x")), "Invalid DateTime");
}

TEST(FileListingText, SizeField)
{
    struct {
        const char* size;
        const char* text;
    } cases[] = {
        {"1234", "1234"},
        {"16777217", "16777216"},      // below 2 GiB the single-precision value, truncated
        {"2147483520", "2147483520"},  // largest float below 2^31
        {"2147483647", "2147483647"},  // rounds to 2^31 in single precision: written exact, not wrapped
        {"3000000001", "3000000001"},
        {"10995116277760", "10995116277760"},
        {"-5", "-5"},
        {"12.9", "12"},
    };
    for (const auto& c : cases) {
        std::string line = std::string("-rw-r--r-- 1 u g ") + c.size + " Mar 5 2019 x";
        EXPECT_EQ(ListingSizeText(Parse(line.c_str())), c.text) << c.size;
    }
}

TEST(FileListingText, ListingKeepsServerOrderWithNoHeaderAndNoCr)
{
    CStr listing;
    for (const char* line : {"-rw-r--r-- 1 u g 1 Mar 5 2019 b", "-rw-r--r-- 1 u g 2 Mar 5 2019 a",
                             "12-01-99  01:00AM  3 c"})
        listing += FileListingLine(Parse(line, false));
    CStr date = ListingDateText(Parse("-rw-r--r-- 1 u g 1 Mar 5 2019 b"));
    EXPECT_EQ(listing, "b\t1\tu\tg\t" + date + "\t-rw-r--r--\n" + "a\t2\tu\tg\t" + date + "\t-rw-r--r--\n" +
                           "c\t3\t\t\t12-01-99\t\n");
    EXPECT_LT(listing.Find('\r'), 0);
}

} // namespace

// Whole LIST replies as real servers send them, fed through the splitter and the parser together
// the way EnumFiles does. The Unix ones were captured from vsftpd 3, ProFTPD 1.3.8 and pyftpdlib
// 1.5.7 listing the same folder on 10 December 2026 around 09:50.
#include "ListLineParser.h"
#include "ListLineSplitter.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const double kListedAt = Date(2026, 12, 10, 9, 55);

// vsftpd, "LIST -a": numeric owners, zero-padded days, "." and ".." included.
const char kVsftpd[] =
    "-rw-r--r--    1 0        0               2 Dec 10 09:50   lead.txt\r\n"
    "drwxr-xr-x    3 0        0            4096 Dec 10 09:50 .\r\n"
    "drwxr-xr-x    3 0        0            4096 Dec 10 09:50 ..\r\n"
    "-rw-r--r--    1 0        0               2 Dec 10 09:50 .hidden\r\n"
    "drwxr-xr-x    2 0        0            4096 Jan 31  2025 Reports\r\n"
    "-rw-r--r--    1 0        0        3000000000 Nov 20 08:15 big.iso\r\n"
    "-rw-r--r--    1 0        0               2 Dec 01 09:05 caf\xc3\xa9.txt\r\n"
    "lrwxrwxrwx    1 0        0              11 Dec 10 09:50 link -> my file.txt\r\n"
    "-rw-r--r--    1 0        0            1234 Mar 05  2026 my file.txt\r\n"
    "-rw-r--r--    1 0        0               4 Mar 05  2019 old.txt\r\n";

// ProFTPD: blank-padded days.
const char kProftpd[] =
    "-rw-r--r--   1 0        0               2 Dec 10 09:50   lead.txt\r\n"
    "drwxr-xr-x   2 0        0            4096 Jan 31  2025 Reports\r\n"
    "-rw-r--r--   1 0        0        3000000000 Nov 20 08:15 big.iso\r\n"
    "-rw-r--r--   1 0        0               2 Dec  1 09:05 caf\xc3\xa9.txt\r\n"
    "lrwxrwxrwx   1 0        0              11 Dec 10 09:50 link -> my file.txt\r\n"
    "-rw-r--r--   1 0        0            1234 Mar  5  2026 my file.txt\r\n"
    "-rw-r--r--   1 0        0               4 Mar  5  2019 old.txt\r\n";

// pyftpdlib: owner names.
const char kPyftpdlib[] =
    "-rw-r--r--   1 root     root            2 Dec 10 09:50   lead.txt\r\n"
    "-rw-r--r--   1 root     root            2 Dec 10 09:50 .hidden\r\n"
    "drwxr-xr-x   2 root     root         4096 Jan 31  2025 Reports\r\n"
    "-rw-r--r--   1 root     root     3000000000 Nov 20 08:15 big.iso\r\n"
    "-rw-r--r--   1 root     root            2 Dec 01 09:05 caf\xc3\xa9.txt\r\n"
    "lrwxrwxrwx   1 root     root           11 Dec 10 09:50 link -> my file.txt\r\n"
    "-rw-r--r--   1 root     root         1234 Mar 05  2026 my file.txt\r\n"
    "-rw-r--r--   1 root     root            4 Mar 05  2019 old.txt\r\n";

// IIS in its DOS listing style (SYST "215 Windows_NT").
const char kIis[] =
    "12-15-20  10:23AM       <DIR>          aspnet_client\r\n"
    "01-07-21  03:45PM                 1386 iisstart.htm\r\n"
    "02-29-24  11:59PM           5368709120 backup 2024.zip\r\n";

// GNU ls behind a server starts with a "total" line; ends with a line the server cut off.
const char kGnuLsWithTotal[] =
    "total 12\r\n"
    "-rw-r--r-- 1 alice staff  512 Jun 30 23:59 notes.txt\r\n"
    "drwxr-xr-x 4 alice staff 4096 Feb  3  2024 src\r\n"
    "-rw-r--r-- 1 alice staff  77 Jun 30 23:59 cut";

struct Expected {
    const char* name;
    long long size;
    const char* user;
    const char* group;
    const char* flags;
    double date;
};

std::vector<FtpListEntry> ListThrough(const char* reply, bool windows, int blockSize)
{
    std::string stream(reply);
    ListLineSplitter splitter;
    std::vector<FtpListEntry> entries;
    for (size_t at = 0; at < stream.size(); at += static_cast<size_t>(blockSize)) {
        splitter.Feed(stream.data() + at, static_cast<int>(std::min<size_t>(blockSize, stream.size() - at)));
        CStr line;
        while (splitter.NextLine(line))
            if (std::optional<FtpListEntry> entry = ParseListLine(line, windows, kListedAt))
                entries.push_back(*entry);
    }
    return entries;
}

void ExpectEntries(const char* server, const char* reply, bool windows, const std::vector<Expected>& expected)
{
    for (int blockSize : {7, 65536}) {
        std::vector<FtpListEntry> entries = ListThrough(reply, windows, blockSize);
        ASSERT_EQ(entries.size(), expected.size()) << server;
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected& e = expected[i];
            EXPECT_EQ(entries[i].Filename.str(), e.name) << server << " #" << i;
            EXPECT_EQ(entries[i].ExactSize, e.size) << server << " " << e.name;
            EXPECT_EQ(entries[i].FileSize, static_cast<double>(static_cast<float>(e.size))) << server << " " << e.name;
            EXPECT_EQ(entries[i].User.str(), e.user) << server << " " << e.name;
            EXPECT_EQ(entries[i].Group.str(), e.group) << server << " " << e.name;
            EXPECT_EQ(entries[i].FileFlags.str(), e.flags) << server << " " << e.name;
            EXPECT_DOUBLE_EQ(entries[i].FileDate, e.date) << server << " " << e.name;
        }
    }
}

const double kLead = Date(2026, 12, 10, 9, 50);
const double kReports = Date(2025, 1, 31);
const double kBig = Date(2026, 11, 20, 8, 15);
const double kCafe = Date(2026, 12, 1, 9, 5);
const double kMyFile = Date(2026, 3, 5);
const double kOld = Date(2019, 3, 5);

TEST(RealServerListing, Vsftpd)
{
    ExpectEntries("vsftpd", kVsftpd, false,
                  {{"lead.txt", 2, "0", "0", "-rw-r--r--", kLead},
                   {".", 4096, "0", "0", "drwxr-xr-x", kLead},
                   {"..", 4096, "0", "0", "drwxr-xr-x", kLead},
                   {".hidden", 2, "0", "0", "-rw-r--r--", kLead},
                   {"Reports", 4096, "0", "0", "drwxr-xr-x", kReports},
                   {"big.iso", 3000000000LL, "0", "0", "-rw-r--r--", kBig},
                   {"caf\xc3\xa9.txt", 2, "0", "0", "-rw-r--r--", kCafe},
                   {"link -> my file.txt", 11, "0", "0", "lrwxrwxrwx", kLead},
                   {"my file.txt", 1234, "0", "0", "-rw-r--r--", kMyFile},
                   {"old.txt", 4, "0", "0", "-rw-r--r--", kOld}});
}

TEST(RealServerListing, Proftpd)
{
    ExpectEntries("proftpd", kProftpd, false,
                  {{"lead.txt", 2, "0", "0", "-rw-r--r--", kLead},
                   {"Reports", 4096, "0", "0", "drwxr-xr-x", kReports},
                   {"big.iso", 3000000000LL, "0", "0", "-rw-r--r--", kBig},
                   {"caf\xc3\xa9.txt", 2, "0", "0", "-rw-r--r--", kCafe},
                   {"link -> my file.txt", 11, "0", "0", "lrwxrwxrwx", kLead},
                   {"my file.txt", 1234, "0", "0", "-rw-r--r--", kMyFile},
                   {"old.txt", 4, "0", "0", "-rw-r--r--", kOld}});
}

TEST(RealServerListing, Pyftpdlib)
{
    ExpectEntries("pyftpdlib", kPyftpdlib, false,
                  {{"lead.txt", 2, "root", "root", "-rw-r--r--", kLead},
                   {".hidden", 2, "root", "root", "-rw-r--r--", kLead},
                   {"Reports", 4096, "root", "root", "drwxr-xr-x", kReports},
                   {"big.iso", 3000000000LL, "root", "root", "-rw-r--r--", kBig},
                   {"caf\xc3\xa9.txt", 2, "root", "root", "-rw-r--r--", kCafe},
                   {"link -> my file.txt", 11, "root", "root", "lrwxrwxrwx", kLead},
                   {"my file.txt", 1234, "root", "root", "-rw-r--r--", kMyFile},
                   {"old.txt", 4, "root", "root", "-rw-r--r--", kOld}});
}

TEST(RealServerListing, IisDosStyle)
{
    ExpectEntries("IIS", kIis, true,
                  {{"aspnet_client", -1, "", "", "d", Date(2020, 12, 15, 10, 23)},
                   {"iisstart.htm", 1386, "", "", "", Date(2021, 1, 7, 3, 45)},
                   {"backup 2024.zip", 5368709120LL, "", "", "", Date(2024, 2, 29, 11, 59)}});
}

TEST(RealServerListing, TotalLineAndCutOffLastLineGiveNothing)
{
    ExpectEntries("GNU ls", kGnuLsWithTotal, false,
                  {{"notes.txt", 512, "alice", "staff", "-rw-r--r--", Date(2026, 6, 30, 23, 59)},
                   {"src", 4096, "alice", "staff", "drwxr-xr-x", Date(2024, 2, 3)}});
}

TEST(RealServerListing, LfOnlyListingGivesNothing)
{
    std::string lfOnly(kPyftpdlib);
    for (size_t at; (at = lfOnly.find('\r')) != std::string::npos;)
        lfOnly.erase(at, 1);
    EXPECT_TRUE(ListThrough(lfOnly.c_str(), false, 4096).empty());
}

} // namespace

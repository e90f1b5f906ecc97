#include "LocalNameCheck.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IsSafeLocalFileName, OrdinaryNamesPass)
{
    for (const char* name : {"report.txt", "my file.txt", ".hidden", "a..b", "caf\xc3\xa9.txt", "CONSOLE.txt",
                             "nul2", "COM10", "LPT", "con-fig", "x.con", "  lead.txt", "trailing.", "LPT1x.txt"})
        EXPECT_TRUE(IsSafeLocalFileName(name)) << name;
}

TEST(IsSafeLocalFileName, NamesThatLeaveTheFolderOrAreNoFileFail)
{
    for (const char* name : {"", "../x", "..\\x", "a/b", "a\\b", "C:x", "file:stream", "a<b", "a>b", "a\"b",
                             "a|b", "a?b", "a*b", ".", "..", "...", " ", ". .", "CON", "con", "Con.txt",
                             "PRN", "AUX", "NUL", "nul.tar.gz", "NUL .txt", "AUX ", "COM1", "com9.log", "LPT1",
                             "lpt9", "COM0", "CONIN$", "conout$.txt", "COM\xb9", "LPT\xb2.txt"})
        EXPECT_FALSE(IsSafeLocalFileName(name)) << "'" << name << "'";
}

TEST(IsSafeLocalFileName, ControlCharactersFail)
{
    for (int c = 1; c < 0x20; ++c)
        EXPECT_FALSE(IsSafeLocalFileName(Bytes(std::string("a") + static_cast<char>(c) + "b"))) << c;
    EXPECT_FALSE(IsSafeLocalFileName(Bytes(std::string("a\x7f"))));
    EXPECT_FALSE(IsSafeLocalFileName(Bytes(std::string("a\0b", 3))));
}

} // namespace

#include "ListLineSplitter.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitInBlocks(const std::string& stream, int blockSize,
                                       LineFeedRule rule = LineFeedRule::Drop, int maxLength = 0)
{
    ListLineSplitter splitter(rule, maxLength > 0 ? maxLength : ListLineSplitter::kMaxLineLength);
    std::vector<std::string> lines;
    for (size_t at = 0; at < stream.size(); at += static_cast<size_t>(blockSize)) {
        size_t n = std::min(stream.size() - at, static_cast<size_t>(blockSize));
        splitter.Feed(stream.data() + at, static_cast<int>(n));
        CStr line;
        while (splitter.NextLine(line))
            lines.push_back(line.str());
    }
    return lines;
}

struct SplitCase {
    const char* what;
    std::string stream;
    LineFeedRule rule;
    std::vector<std::string> lines;
};

class SplitTable : public ::testing::TestWithParam<SplitCase> {};

// Every block size must give the lines a byte-at-a-time reader would give.
TEST_P(SplitTable, SameLinesWhateverTheBlockSize)
{
    const SplitCase& c = GetParam();
    for (int blockSize : {1, 2, 3, 5, 64, 1 << 20})
        EXPECT_EQ(SplitInBlocks(c.stream, blockSize, c.rule), c.lines) << c.what << ", blocks of " << blockSize;
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SplitTable,
    ::testing::Values(
        SplitCase{"CR LF lines", "one\r\ntwo\r\n", LineFeedRule::Drop, {"one", "two"}},
        SplitCase{"LF CR and bare CR end a line too", "a\n\rb\rc\r", LineFeedRule::Drop, {"a", "b", "c"}},
        SplitCase{"LF alone never ends a line", "x\ny\nz\n", LineFeedRule::Drop, {}},
        SplitCase{"LF-only lines join up to the next CR", "x\ny\r\n", LineFeedRule::Drop, {"xy"}},
        SplitCase{"text after the last CR is dropped", "full\r\npartial", LineFeedRule::Drop, {"full"}},
        SplitCase{"empty lines are lines", "\r\n\r\nlast\r", LineFeedRule::Drop, {"", "", "last"}},
        SplitCase{"every other byte value is kept", std::string("\x01\x80\xff\0z\r", 6), LineFeedRule::Drop,
                  {std::string("\x01\x80\xff\0z", 5)}},
        SplitCase{"FileExists keeps the LF in the next line", "a\r\nb\r\n", LineFeedRule::Keep, {"a", "\nb"}},
        SplitCase{"FileExists: LF-only lines still need a CR", "a\nb\n", LineFeedRule::Keep, {}}));

TEST(ListLineSplitter, DropsAnOverlongLineWholeAndGoesOn)
{
    const int max = 8;
    std::string stream = "12345678\r" "123456789\r\n" "ok\r\n";
    for (int blockSize : {1, 4, 100}) {
        ListLineSplitter splitter(LineFeedRule::Drop, max);
        std::vector<std::string> lines;
        for (size_t at = 0; at < stream.size(); at += static_cast<size_t>(blockSize)) {
            splitter.Feed(stream.data() + at, static_cast<int>(std::min<size_t>(blockSize, stream.size() - at)));
            CStr line;
            while (splitter.NextLine(line))
                lines.push_back(line.str());
        }
        EXPECT_EQ(lines, (std::vector<std::string>{"12345678", "ok"})) << "blocks of " << blockSize;
        EXPECT_EQ(splitter.OverlongLines(), 1);
    }
}

TEST(ListLineSplitter, LfDoesNotCountTowardTheCapWhenDropped)
{
    EXPECT_EQ(SplitInBlocks("1234\n\n\n\n5678\r", 3, LineFeedRule::Drop, 8), std::vector<std::string>{"12345678"});
}

TEST(ListLineSplitter, HoldsAHundredThousandLinesOfOneBlockWithoutLimit)
{
    std::string stream;
    for (int i = 0; i < 100000; ++i)
        stream += "-rw-r--r--    1 0        0            1234 Mar 05  2026 file" + std::to_string(i) + "\r\n";
    ListLineSplitter splitter;
    splitter.Feed(stream.data(), static_cast<int>(stream.size()));
    EXPECT_EQ(splitter.WaitingLines(), 100000);
    CStr line, last;
    int count = 0;
    while (splitter.NextLine(line)) {
        last = line;
        ++count;
    }
    EXPECT_EQ(count, 100000);
    EXPECT_TRUE(last.EndsWith("file99999"));
    EXPECT_EQ(splitter.OpenLineLength(), 0);
}

} // namespace

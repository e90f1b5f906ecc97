#include "ListFieldScanner.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ScanCase {
    const char* what;
    std::string line;
    const char* pattern;
    std::vector<std::string> fields;
};

class ScanTable : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanTable, FillsTheFieldsScanfWould)
{
    const ScanCase& c = GetParam();
    std::vector<ScannedField> fields;
    int filled = ScanListFields(Bytes(c.line), c.pattern, fields);
    std::vector<std::string> texts;
    for (const ScannedField& f : fields)
        texts.push_back(f.Text.str());
    EXPECT_EQ(filled, static_cast<int>(c.fields.size())) << c.what;
    EXPECT_EQ(texts, c.fields) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Directives, ScanTable,
    ::testing::Values(
        ScanCase{"any white space separates", "a\tb\v c\f\fd", " %s %s %s %s", {"a", "b", "c", "d"}},
        ScanCase{"%f takes the number, the rest of the word is the next field", "abc 12abc", " %s %f %s",
                 {"abc", "12", "abc"}},
        ScanCase{"%f with sign, fraction and exponent", "-.5e3x", " %f %s", {"-.5e3", "x"}},
        ScanCase{"an exponent without digits is not part of the number", "12e", " %f %s", {"12", "e"}},
        ScanCase{"%f needs a digit", ". 5", " %f", {}},
        ScanCase{"a mismatch stops the scan", "perm 1 user group size", " %s %s %s %s %f %s", {"perm", "1", "user", "group"}},
        ScanCase{"%[^\\r] keeps inner and trailing blanks, the blank before it eats leading ones",
                 "x    my  file.txt  \r", " %s %[^\r]", {"x", "my  file.txt  "}},
        ScanCase{"%[^\\r] needs one character", "x   \r", " %s %[^\r]", {"x"}},
        ScanCase{"the line ends at a zero byte as a C string does", std::string("ab\0cd", 5), " %s %s", {"ab"}},
        ScanCase{"a zero byte ends the name", std::string("x na\0me", 7), " %s %[^\r]", {"x", "na"}},
        ScanCase{"literal bytes must match", "12-31", "%f-%f", {"12", "31"}},
        ScanCase{"empty line", "", " %s", {}}));

TEST(ListFieldScanner, FieldsHaveNoWidthLimit)
{
    std::string longUser(5000, 'u');
    std::string longName(70000, 'n');
    std::vector<ScannedField> fields;
    ASSERT_EQ(ScanListFields(Bytes(longUser + " " + longName), " %s %[^\r]", fields), 2);
    EXPECT_EQ(fields[0].Text.str(), longUser);
    EXPECT_EQ(fields[1].Text.str(), longName);
}

TEST(ListFieldScanner, NumbersAtSingleAndAtExactPrecision)
{
    struct {
        const char* text;
        float single;
        long long exact;
    } cases[] = {
        {"1234", 1234.0f, 1234},
        {"16777217", 16777216.0f, 16777217},  // float keeps 24 bits
        {"3000000001", 3000000000.0f, 3000000001LL},
        {"4294967296000", 4294967296000.0f, 4294967296000LL},
        {"-5", -5.0f, -5},
        {"1.5e3", 1500.0f, 1500},
        {"2.9", 2.9f, 2},
        {"99999999999999999999999", static_cast<float>(1e23), 9223372036854775807LL},
    };
    for (const auto& c : cases) {
        std::vector<ScannedField> fields;
        ASSERT_EQ(ScanListFields(c.text, " %f", fields), 1) << c.text;
        EXPECT_EQ(fields[0].Number, c.single) << c.text;
        EXPECT_EQ(DecimalToInt64(fields[0].Text), c.exact) << c.text;
    }
}

} // namespace

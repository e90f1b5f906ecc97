#include <gtest/gtest.h>

#include "CStr.h"

TEST(CStr, FormatGrowsPastAnyFixedBuffer)
{
    std::string longArg(5000, 'x');
    CStr line = CStr::Format("STOR %s\r\n", longArg.c_str());
    EXPECT_EQ(5007, line.GetLength());
    EXPECT_TRUE(line.EndsWith("x\r\n"));
}

TEST(CStr, CuttingClampsToTheText)
{
    CStr t("abcdef");
    struct Row { CStr got; const char* want; };
    const Row rows[] = {
        {t.Mid(2, 2), "cd"}, {t.Mid(4), "ef"}, {t.Mid(10), ""}, {t.Mid(-3, 2), "ab"}, {t.Mid(3, 100), "def"},
        {t.Left(0), ""},     {t.Left(99), "abcdef"}, {t.Right(2), "ef"}, {t.Right(-1), ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CStr(r.want), r.got);
    EXPECT_EQ('\0', t.At(6));
    EXPECT_EQ('\0', t.At(-1));
}

TEST(CStr, KeepsEmbeddedZeroBytes)
{
    const char data[] = {'a', '\0', 'b'};
    CStr t(data, 3);
    EXPECT_EQ(3, t.GetLength());
    EXPECT_EQ('b', t.At(2));
}

TEST(CStr, SearchingAndNumbers)
{
    CStr t("227 Entering (10,0,0,5,4,1).");
    EXPECT_EQ(13, t.Find('('));
    EXPECT_EQ(t.GetLength() - 1, t.ReverseFind('.'));
    EXPECT_EQ(CStr::npos, t.Find("zzz"));
    EXPECT_EQ(4, CStr("a,b,c,d,e").Replace(",", "."));
    EXPECT_EQ(227, t.ToLong());
    EXPECT_EQ(-12, CStr(" -12abc").ToLong());
    EXPECT_EQ(3000000000LL, CStr("3000000000").ToInt64());
    EXPECT_EQ(LLONG_MAX, CStr("99999999999999999999999").ToInt64());
    EXPECT_TRUE(CStr("Hello").EqualsNoCase("hELLO"));
    EXPECT_EQ(CStr("  x  "), CStr("\t  x  \r\n").Trim("\t\r\n"));
}

#include "ListDate.h"
#include "ListingTestSupport.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

namespace {

TEST(ListDate, KnownDayNumbers)
{
    EXPECT_EQ(Date(1899, 12, 30), 0.0);
    EXPECT_EQ(Date(1900, 1, 1), 2.0);
    EXPECT_EQ(Date(1900, 3, 1), 61.0);  // 1900 was no leap year
    EXPECT_EQ(Date(2000, 1, 1), 36526.0);
    EXPECT_EQ(Date(2003, 1, 31, 2, 30), 37652.0 + 2.5 / 24);
    EXPECT_EQ(Date(1899, 12, 29, 6, 0), -1.25);  // before day 0 the time still counts forward
    EXPECT_EQ(Date(100, 1, 1), -657434.0);
    EXPECT_EQ(Date(9999, 12, 31), 2958465.0);
}

TEST(ListDate, RefusesPartsThatAreNoDate)
{
    struct {
        int y, mo, d, h, mi;
    } cases[] = {
        {2019, 2, 29, 0, 0}, {2100, 2, 29, 0, 0}, {2026, 0, 5, 0, 0}, {2026, 13, 5, 0, 0},
        {2026, 4, 31, 0, 0}, {2026, 1, 0, 0, 0},  {2026, 1, 1, 24, 0}, {2026, 1, 1, 0, 60},
        {2026, 1, 1, -1, 0}, {99, 1, 1, 0, 0},    {10000, 1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        CalendarTime when;
        when.Year = c.y;
        when.Month = c.mo;
        when.Day = c.d;
        when.Hour = c.h;
        when.Minute = c.mi;
        double date = 123.0;
        EXPECT_FALSE(OleDateFromCalendar(when, date)) << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi;
        EXPECT_EQ(date, 123.0);
    }
    EXPECT_EQ(Date(2000, 2, 29), 36585.0);
}

// The platform's own conversion is the reference for every day of the DATE range.
TEST(ListDate, AgreesWithThePlatformAcrossTheWholeRange)
{
    int mismatches = 0;
    for (long day = -657434; day <= 2958465 && mismatches < 5; day += 7) {
        double date = day >= 0 ? day + 0.75 : day - 0.75;  // 18:00
        SYSTEMTIME st;
        ASSERT_TRUE(VariantTimeToSystemTime(date, &st)) << day;
        CalendarTime when;
        ASSERT_TRUE(CalendarFromOleDate(date, when)) << day;
        double back = 0;
        ASSERT_TRUE(OleDateFromCalendar(when, back)) << day;
        if (when.Year != st.wYear || when.Month != st.wMonth || when.Day != st.wDay || when.Hour != 18 ||
            when.Minute != 0 || back != date) {
            ADD_FAILURE() << "day " << day << ": " << when.Year << "-" << when.Month << "-" << when.Day
                          << ", platform " << st.wYear << "-" << st.wMonth << "-" << st.wDay;
            ++mismatches;
        }
    }
}

} // namespace

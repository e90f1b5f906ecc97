#include "ListDate.h"

#include <windows.h>

#include <cmath>

namespace {

// 1 January 100 and 31 December 9999: the days a DATE can be shown for.
const long kFirstDay = -657434;
const long kLastDay = 2958465;
// Days from 1 March of year 0 (proleptic Gregorian) to 30 December 1899, day 0 of a DATE.
const long kDaysToDateEpoch = 693899;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Counting years from March puts the leap day at the end, so the day of the year is a
// closed formula of the month.
long DayNumber(int year, int month, int day)
{
    long y = month <= 2 ? year - 1 : year;
    long shiftedMonth = month <= 2 ? month + 9 : month - 3;
    long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    return y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - kDaysToDateEpoch;
}

void CivilFromDayNumber(long dayNumber, int& year, int& month, int& day)
{
    long days = dayNumber + kDaysToDateEpoch;  // days since 1 March of year 0
    long era = days / 146097;
    long dayOfEra = days - era * 146097;
    long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

bool OleDateFromCalendar(const CalendarTime& when, double& date)
{
    if (when.Year < 100 || when.Year > 9999 || when.Month < 1 || when.Month > 12)
        return false;
    if (when.Day < 1 || when.Day > DaysInMonth(when.Year, when.Month))
        return false;
    if (when.Hour < 0 || when.Hour > 23 || when.Minute < 0 || when.Minute > 59 || when.Second < 0 ||
        when.Second > 59)
        return false;
    long dayNumber = DayNumber(when.Year, when.Month, when.Day);
    double timeOfDay = (when.Hour * 3600.0 + when.Minute * 60.0 + when.Second) / 86400.0;
    date = dayNumber >= 0 ? dayNumber + timeOfDay : dayNumber - timeOfDay;
    return true;
}

bool CalendarFromOleDate(double date, CalendarTime& when)
{
    if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0))
        return false;
    double wholeDays = std::trunc(date);
    long dayNumber = static_cast<long>(wholeDays);
    long seconds = std::lround(std::fabs(date - wholeDays) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++dayNumber;
    }
    if (dayNumber < kFirstDay || dayNumber > kLastDay)
        return false;
    CivilFromDayNumber(dayNumber, when.Year, when.Month, when.Day);
    when.Hour = static_cast<int>(seconds / 3600);
    when.Minute = static_cast<int>(seconds / 60 % 60);
    when.Second = static_cast<int>(seconds % 60);
    return true;
}

double CurrentLocalOleDate()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    CalendarTime when;
    when.Year = now.wYear;
    when.Month = now.wMonth;
    when.Day = now.wDay;
    when.Hour = now.wHour;
    when.Minute = now.wMinute;
    when.Second = now.wSecond;
    double date = 0;
    OleDateFromCalendar(when, date);
    return date;
}

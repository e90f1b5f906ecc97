// Small helpers the listing tests share.
#ifndef FTPLISTING_TESTS_LISTINGTESTSUPPORT_H
#define FTPLISTING_TESTS_LISTINGTESTSUPPORT_H

#include "CStr.h"
#include "ListDate.h"

#include <string>
#include <vector>

// A DATE from calendar parts that are known to be valid.
inline double Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    CalendarTime when;
    when.Year = year;
    when.Month = month;
    when.Day = day;
    when.Hour = hour;
    when.Minute = minute;
    when.Second = second;
    double date = -1e9;
    OleDateFromCalendar(when, date);
    return date;
}

// Byte strings with zeros and CRs in them, written readably.
inline CStr Bytes(const std::string& bytes)
{
    return CStr(bytes.data(), static_cast<int>(bytes.size()));
}

#endif

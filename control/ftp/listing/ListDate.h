// Calendar dates as the automation DATE that EnumFile carries: days since 30 December 1899, the
// fraction being the time of day. Before that day the integer part counts backwards while the
// fraction still counts forward (-1.25 is 29 December 1899, 06:00).
#ifndef FTPLISTING_LISTDATE_H
#define FTPLISTING_LISTDATE_H

struct CalendarTime {
    int Year = 0;
    int Month = 0;   // 1 to 12
    int Day = 0;     // 1 to the month's length
    int Hour = 0;    // 0 to 23
    int Minute = 0;  // 0 to 59
    int Second = 0;  // 0 to 59
};

// False, with `date` untouched, when the parts are no real date and time or lie outside the
// years 100 to 9999 that a DATE can be shown for.
bool OleDateFromCalendar(const CalendarTime& when, double& date);

// The calendar parts of a DATE, rounded to the second; false outside the years 100 to 9999.
bool CalendarFromOleDate(double date, CalendarTime& when);

// The local date and time now, as a DATE (what a listing's dates are compared with).
double CurrentLocalOleDate();

#endif

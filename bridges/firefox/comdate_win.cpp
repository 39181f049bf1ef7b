// OLE automation dates on Windows: the platform splits them into calendar fields.
#include <windows.h>
#include <oleauto.h>

#include <cstring>

#include "json_tvariant.h"

void comdate_to_date(const double& var, tm& dateVal) {
    const int isdst = dateVal.tm_isdst;  // not the date's to say
    std::memset(&dateVal, 0, sizeof dateVal);
    dateVal.tm_isdst = isdst;
    SYSTEMTIME time;
    // Outside what the platform can split (before year 100, after 9999, not a number) the
    // fields stay zero.
    if (!::VariantTimeToSystemTime(var, &time)) return;
    // The weekday and the day of the year of the day the split gave: its midnight asked once
    // more (a time rounded up to the next day keeps its old weekday in some versions).
    SYSTEMTIME midnight;
    std::memset(&midnight, 0, sizeof midnight);
    midnight.wYear = time.wYear;
    midnight.wMonth = time.wMonth;
    midnight.wDay = time.wDay;
    double day = 0;
    UDATE calendar;
    if (!::SystemTimeToVariantTime(&midnight, &day) ||
        FAILED(::VarUdateFromDate(day, 0, &calendar))) {
        return;
    }
    dateVal.tm_year = time.wYear - 1900;
    dateVal.tm_mon = time.wMonth - 1;
    dateVal.tm_mday = time.wDay;
    dateVal.tm_hour = time.wHour;
    dateVal.tm_min = time.wMinute;
    dateVal.tm_sec = time.wSecond;
    dateVal.tm_wday = calendar.st.wDayOfWeek;
    dateVal.tm_yday = calendar.wDayOfYear - 1;  // the platform counts 1 January as day 1
}

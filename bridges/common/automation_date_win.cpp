#include "automation_date.h"

#include <windows.h>
#include <oleauto.h>

bool automation_date_fields(double date, tm* fields) {
    SYSTEMTIME time{};
    if (!::VariantTimeToSystemTime(date, &time)) return false;
    // The weekday and the day of the year of the day the split gave: its midnight asked once
    // more (a time rounded up to the next day keeps its old weekday in some versions).
    SYSTEMTIME midnight{};
    midnight.wYear = time.wYear;
    midnight.wMonth = time.wMonth;
    midnight.wDay = time.wDay;
    double day = 0;
    UDATE calendar{};
    if (!::SystemTimeToVariantTime(&midnight, &day) ||
        FAILED(::VarUdateFromDate(day, 0, &calendar))) {
        return false;
    }
    fields->tm_year = time.wYear - 1900;
    fields->tm_mon = time.wMonth - 1;
    fields->tm_mday = time.wDay;
    fields->tm_hour = time.wHour;
    fields->tm_min = time.wMinute;
    fields->tm_sec = time.wSecond;
    fields->tm_wday = calendar.st.wDayOfWeek;
    fields->tm_yday = calendar.wDayOfYear - 1;  // the platform counts 1 January as day 1
    return true;
}

bool automation_date_of(const tm& fields, double* date) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(fields.tm_year + 1900);
    time.wMonth = static_cast<WORD>(fields.tm_mon + 1);
    time.wDay = static_cast<WORD>(fields.tm_mday);
    time.wHour = static_cast<WORD>(fields.tm_hour);
    time.wMinute = static_cast<WORD>(fields.tm_min);
    time.wSecond = static_cast<WORD>(fields.tm_sec);
    return ::SystemTimeToVariantTime(&time, date) != FALSE;
}

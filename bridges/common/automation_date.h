#pragma once
// OLE automation dates (days from 30 December 1899, the day's time as the fraction) and
// calendar fields, split and joined by the platform. Windows only.

#include <ctime>

// The calendar fields of `date`: year to second, the weekday and the day of the year;
// tm_isdst and the rest stay as they are. False, with `fields` untouched, where the platform
// cannot split the date (before the year 100, after 9999, not a number).
bool automation_date_fields(double date, tm* fields);

// The automation date of the fields' year to second. False where they make no calendar date.
bool automation_date_of(const tm& fields, double* date);

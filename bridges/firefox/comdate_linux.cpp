// OLE automation dates on Linux, which has no OLE date arithmetic: the calendar is computed
// here (proleptic Gregorian, as the OLE functions count).
#include <cmath>
#include <cstring>

#include "json_tvariant.h"

namespace {

const double kLastDay = 2958465.0;  // 9999-12-31

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int day_of_year(int year, int month, int day) {
    static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kBefore[month - 1] + day - 1 + (leap && month > 2 ? 1 : 0);
}

}  // namespace

void comdate_to_date(const double& var, tm& dateVal) {
    std::memset(&dateVal, 0, sizeof dateVal);
    // 0100-01-01 .. 9999-12-31 in days since 1899-12-30, as OLE dates run.
    if (!(var > -657435.0 && var < 2958466.0)) return;
    double whole = std::trunc(var);
    const double fraction = std::fabs(var - whole);
    long long seconds = std::llround(fraction * 86400.0);
    // Rounding reached the next day. The time always runs forward from the day's midnight,
    // also before 1899-12-30 (-1.25 is 29 December, 06:00), so the next day is one later.
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    // The last moment of 9999-12-31 rounds into a year no OLE date has: no date, as the
    // Windows build's platform answers.
    if (whole > kLastDay) return;
    const long long days = static_cast<long long>(whole) - 25569;  // 1899-12-30 to 1970-01-01
    int year = 0, month = 0, day = 0;
    civil_from_days(days, year, month, day);
    dateVal.tm_year = year - 1900;
    dateVal.tm_mon = month - 1;
    dateVal.tm_mday = day;
    dateVal.tm_hour = static_cast<int>(seconds / 3600);
    dateVal.tm_min = static_cast<int>(seconds / 60 % 60);
    dateVal.tm_sec = static_cast<int>(seconds % 60);
    dateVal.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    dateVal.tm_yday = day_of_year(year, month, day);
}

// OLE automation dates on Windows: the platform splits them into calendar fields.
#include <cstring>

#include "automation_date.h"
#include "json_tvariant.h"

void comdate_to_date(const double& var, tm& dateVal) {
    const int isdst = dateVal.tm_isdst;  // not the date's to say
    std::memset(&dateVal, 0, sizeof dateVal);
    dateVal.tm_isdst = isdst;
    automation_date_fields(var, &dateVal);  // a date the platform cannot split stays zero
}

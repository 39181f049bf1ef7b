#pragma once
// Between the component's JSON value format {"type": T, "value": V} and the add-in's tVariant
// records, and the buffers of those records. Every buffer created here comes from `memng`
// (the adapter's memory manager) and every buffer consumed goes back to it.

#include <ctime>
#include <string>

#include "IMemoryManager.h"
#include "json_value.h"
#include "tvariant_buffers.h"
#include "types.h"

// A JSON value (bare, or in the {"type", "value"} form) into `dest`, whose old buffer is
// released first. Throws conversion_error for an array, an object without a string "type" or
// without "value", or a "value" of the wrong kind; `dest` is then VTYPE_EMPTY.
void value_to_tvariant(JsValue& value, tVariant& dest, IMemoryManager* memng);
// `src` into its {"type", "value"} form; a text or byte buffer is released and `src` becomes
// VTYPE_EMPTY. A type without a JSON form gives an empty object and leaves `src` alone.
void tvariant_to_value(tVariant& src, JsValue& value, IMemoryManager* memng);

// The JSON text of a parameter list (strict: an array at the root) into a new array of
// max(count, *size) records (`new tVariant[]`, the caller releases each record and then the
// array); *size becomes the number of records. Returns the number of elements. Throws
// conversion_error for text that is not such a non-empty array or an element that does not
// convert; no array is left behind then.
long jsvararray_to_tvariantarray(const char* src, tVariant** ar, IMemoryManager* memng,
                                 int* size);

// An OLE automation date (days since 1899-12-30, the time of day as the fraction) as
// calendar fields (tm_year from 1900, tm_mon from 0, tm_wday and tm_yday filled). A value
// outside the years 100 to 9999, or not a number, gives a zero-filled record. One source per
// platform (comdate_linux.cpp computes the calendar; Windows asks the platform and keeps the
// caller's tm_isdst).
void comdate_to_date(const double& var, tm& dateVal);
// The asctime text of `t` ("Mon Jan 15 00:00:00 2024\n"), safe for any field values.
std::string asctime_text(const tm& t);
// The calendar fields of the "value" of a {"type": "date"} object; conversion_error when it is
// no object or a field is no number.
tm json_date_fields(const JsValue& value);
// Cut toward zero into the signed 32-bit range; values beyond it are held at its ends, NaN
// gives 0.
int32_t truncate_to_int32(double value);

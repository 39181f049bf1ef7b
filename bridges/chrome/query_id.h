#pragma once
// Reading the numbers that requests carry ("query_id", "cls_id") as unsigned 32-bit values.

#include <cstdint>

#include "js_value.h"

// A number (a boolean counts as 0 or 1, a real is cut toward zero) whose value lies in
// 0..4294967295 gives true and `out`. Anything else, a negative or too large number
// included, gives false and leaves `out` untouched.
bool query_id_of(const JsValue& value, uint32_t& out);
// The same for "cls_id", where null also reads as 0.
bool cls_id_of(const JsValue& value, uint32_t& out);

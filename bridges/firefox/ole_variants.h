#pragma once
// The Windows build's conversions between OLE Automation VARIANTs and the page's values (XPCOM
// variants and JSON text), for its COM adapter. Arrays are one-dimensional safe arrays of
// VARIANT with lower bound 0, held in a VARIANT whose type is VT_ARRAY alone.
//
// `count`, where given, is in and out: on entry the least number of elements an array result
// must have, on return the number of values the source held (1 for a single value, the element
// count for an array). `out` is not cleared first unless a case says so: pass an initialised
// VARIANT.

#include <windows.h>
#include <oleauto.h>

#include "json_value.h"
#include "nsIVariant.h"

// An add-in's value to the page: `target` (a writable variant) is set by the value's type.
// E_INVALIDARG, target untouched, for a null argument or a type that is not converted.
HRESULT variant_to_nsvariant(const VARIANT* value, nsISupports* target);

// A page value to the add-in. Texts that hold a non-empty JSON array become arrays, every
// other text a BSTR. E_INVALIDARG for a null argument, a type that is not converted, or a value
// held by more than kMaxValueDepth others (variants or arrays; a value may hold itself).
HRESULT nsvariant_to_variant(nsIVariant* value, VARIANT* out, int* count);

// JSON text that must be a non-empty array (strict mode); the number of values. Throws
// conversion_error for anything else.
int jsvararray_to_variant(const char* text, VARIANT* out, int* count);

// One JSON value; objects take the {"type", "value"} form. Throws conversion_error for an
// object without a string "type" or without "value", a date that does not read, or a value
// held by more than kMaxValueDepth arrays or typed objects.
HRESULT json_to_variant(const JsValue& value, VARIANT* out, int* count);

// Releases what `value` holds, arrays of the VT_ARRAY-alone form included (VariantClear
// refuses that type), and leaves it VT_EMPTY.
void ole_value_clear(VARIANT* value);

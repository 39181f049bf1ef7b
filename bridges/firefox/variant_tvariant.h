#pragma once
// Between the page's XPCOM variants and the add-in's tVariant records, in the component's
// current value mode: plain (variants of the matching data type) or JSON (every value handed
// to the page is JSON text {"type", "value"} in a string variant, and every text from the page
// is tried as such JSON first). No conversion failure leaves these operations: a text that is
// not usable JSON arrives as text, a parameter list that does not convert as no parameters.

#include "IMemoryManager.h"
#include "nsIVariant.h"
#include "types.h"

// JSON mode of every conversion, switched by the service; false at load. Main thread only.
extern bool g_has_json;

// A new writable variant of the platform's variant class; false when none could be made.
bool createJSVariant(nsIWritableVariant** data);
// A new mutable array of the platform's array class (as nsIMutableArray); nothing calls it.
bool createJSArray(void** data);

// `value` into `dest`, whose old buffer is released first.
void value_to_tvariant(nsIVariant& value, tVariant& dest, IMemoryManager* memng);
// `src` into `value`; a text or byte buffer is released and `src` becomes VTYPE_EMPTY.
void tvariant_to_value(tVariant& src, nsIWritableVariant& value, IMemoryManager* memng);
// The page's parameters into a new array of tVariant records (see jsvararray_to_tvariantarray
// for the array and *size); returns the number of parameters the page gave.
long nsvararray_to_tvariantarray(nsIVariant& src, tVariant** ar, IMemoryManager* memng,
                                 int* size);

// Gives back what GetAsArray handed out: the strings, the interfaces and the array itself.
void release_array_elements(uint16_t type, void* elements, uint32_t count);

#pragma once
// A page's script array (an IDispatchEx object with "length" and elements "0", "1", ...)
// read into a SAFEARRAY of VARIANT for an add-in call, and the values written back after it.

#include <windows.h>
#include <oaidl.h>

// The element count, or 0 when the object has no readable length.
long script_array_length(IDispatch* array);

// The readable elements, in order, as a one-dimensional array with lower bound 0 (an
// element that cannot be read is left out); null when nothing was read.
SAFEARRAY* read_script_array(IDispatch* array, long count);

// Stores element i of `values` into page element i, for every i below the page array's
// current length; failures are ignored.
void write_script_array(IDispatch* array, SAFEARRAY* values);

#pragma once
// The buffers of the add-in's tVariant records, as every bridge handles them: a text or blob
// buffer belongs to the memory manager that made it and goes back to it.

#include <cstddef>

#include "IMemoryManager.h"
#include "types.h"

// Releases the text or blob buffer of `var` through `memory` and nulls the pointer; for
// VTYPE_VARIANT, that of the record it points to, followed at most kMaxValueDepth records
// deep (a record that points at itself stops at once). The type code and the lengths stay.
// Always true.
bool tVariantClear(tVariant* var, IMemoryManager* memory);

// The buffer that tVariantClear would release for `var`, or null.
void* held_buffer(const tVariant& var);

// The whole record zeroed, then its type set.
void zero_record(tVariant& var, TYPEVAR vt);

// A new VTYPE_PWSTR buffer holding the `len` units at `text` and a terminator, or VTYPE_EMPTY
// when `memory` refuses. The record's old contents are overwritten.
void set_wide_text(tVariant& dest, const uint16_t* text, size_t len, IMemoryManager* memory);

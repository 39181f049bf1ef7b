#pragma once
// The element arrays a variant holds: deep copies in NS_Alloc blocks (texts copied, interface
// elements with a reference each).

#include <cstddef>
#include <cstdint>

#include "nsError.h"

namespace xpcom_runtime {

/// Bytes per element of an array of this data type; 0 for a type arrays cannot hold.
size_t array_element_size(uint16_t type);
/// A new array of count elements copied from src (null src allowed when count is 0).
nsresult copy_array(uint16_t type, uint32_t count, const void* src, void** copy);
/// Frees an array made by copy_array, with what its elements own.
void free_array(uint16_t type, uint32_t count, void* elements);

}  // namespace xpcom_runtime

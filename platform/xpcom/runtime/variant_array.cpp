// Copies and frees the element arrays of variants.

#include "variant_array.h"

#include <cstring>

#include "nsID.h"
#include "nsISupports.h"
#include "nsIVariant.h"
#include "nsXPCOM.h"

namespace xpcom_runtime {

namespace {

bool is_text_type(uint16_t type) {
    return type == nsIDataType::VTYPE_CHAR_STR || type == nsIDataType::VTYPE_WCHAR_STR;
}

bool is_interface_type(uint16_t type) {
    return type == nsIDataType::VTYPE_INTERFACE || type == nsIDataType::VTYPE_INTERFACE_IS;
}

template <class Unit>
Unit* copy_text(const Unit* text) {
    size_t n = 0;
    while (text[n]) ++n;
    Unit* copy = static_cast<Unit*>(NS_Alloc((n + 1) * sizeof(Unit)));
    if (copy) std::memcpy(copy, text, (n + 1) * sizeof(Unit));
    return copy;
}

void* copy_text_element(uint16_t type, const void* text) {
    if (type == nsIDataType::VTYPE_CHAR_STR) return copy_text(static_cast<const char*>(text));
    return copy_text(static_cast<const char16_t*>(text));
}

}  // namespace

size_t array_element_size(uint16_t type) {
    switch (type) {
    case nsIDataType::VTYPE_INT8:
    case nsIDataType::VTYPE_UINT8:
    case nsIDataType::VTYPE_CHAR:
        return 1;
    case nsIDataType::VTYPE_INT16:
    case nsIDataType::VTYPE_UINT16:
    case nsIDataType::VTYPE_WCHAR:
        return 2;
    case nsIDataType::VTYPE_INT32:
    case nsIDataType::VTYPE_UINT32:
    case nsIDataType::VTYPE_FLOAT:
        return 4;
    case nsIDataType::VTYPE_INT64:
    case nsIDataType::VTYPE_UINT64:
    case nsIDataType::VTYPE_DOUBLE:
        return 8;
    case nsIDataType::VTYPE_BOOL:
        return sizeof(bool);
    case nsIDataType::VTYPE_ID:
        return sizeof(nsID);
    case nsIDataType::VTYPE_CHAR_STR:
    case nsIDataType::VTYPE_WCHAR_STR:
    case nsIDataType::VTYPE_INTERFACE:
    case nsIDataType::VTYPE_INTERFACE_IS:
        return sizeof(void*);
    default:
        return 0;
    }
}

nsresult copy_array(uint16_t type, uint32_t count, const void* src, void** copy) {
    *copy = nullptr;
    const size_t size = array_element_size(type);
    if (size == 0) return NS_ERROR_ILLEGAL_VALUE;
    if (count && !src) return NS_ERROR_NULL_POINTER;
    if (count > SIZE_MAX / size) return NS_ERROR_OUT_OF_MEMORY;
    void* block = NS_Alloc(size * count);
    if (!block) return NS_ERROR_OUT_OF_MEMORY;
    if (count) std::memcpy(block, src, size * count);
    void** slots = static_cast<void**>(block);
    if (is_text_type(type)) {
        for (uint32_t i = 0; i < count; ++i) {
            if (!slots[i]) continue;
            slots[i] = copy_text_element(type, slots[i]);
            if (!slots[i]) {
                free_array(type, i, block);  // the ones copied so far
                return NS_ERROR_OUT_OF_MEMORY;
            }
        }
    } else if (is_interface_type(type)) {
        for (uint32_t i = 0; i < count; ++i) {
            if (slots[i]) static_cast<nsISupports*>(slots[i])->AddRef();
        }
    }
    *copy = block;
    return NS_OK;
}

void free_array(uint16_t type, uint32_t count, void* elements) {
    if (!elements) return;
    // Only texts and interfaces own something; other elements are plain values.
    void** slots = static_cast<void**>(elements);
    for (uint32_t i = 0; is_text_type(type) && i < count; ++i) NS_Free(slots[i]);
    for (uint32_t i = 0; is_interface_type(type) && i < count; ++i) {
        if (slots[i]) static_cast<nsISupports*>(slots[i])->Release();
    }
    NS_Free(elements);
}

}  // namespace xpcom_runtime

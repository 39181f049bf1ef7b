#include "tvariant_buffers.h"

#include <cstring>

#include "value_depth.h"

namespace {

void release_buffer(void* block, IMemoryManager* memory) {
    if (memory != nullptr && block != nullptr) memory->FreeMemory(&block);
}

void clear_record(tVariant* var, IMemoryManager* memory, int depth) {
    if (var == nullptr) return;
    switch (var->vt) {
        case VTYPE_PSTR:
        case VTYPE_BLOB:
            release_buffer(var->pstrVal, memory);
            var->pstrVal = nullptr;
            break;
        case VTYPE_PWSTR:
            release_buffer(var->pwstrVal, memory);
            var->pwstrVal = nullptr;
            break;
        case VTYPE_VARIANT:
            if (depth < kMaxValueDepth && var->pvarVal != var) {
                clear_record(var->pvarVal, memory, depth + 1);
            }
            break;
        default:
            break;
    }
}

const tVariant* buffer_record(const tVariant& var) {
    const tVariant* record = &var;
    for (int depth = 0; record != nullptr && record->vt == VTYPE_VARIANT; ++depth) {
        if (depth >= kMaxValueDepth || record->pvarVal == record) return nullptr;
        record = record->pvarVal;
    }
    return record;
}

}  // namespace

void* held_buffer(const tVariant& var) {
    const tVariant* record = buffer_record(var);
    if (record == nullptr) return nullptr;
    switch (record->vt) {
        case VTYPE_PSTR:
        case VTYPE_BLOB: return record->pstrVal;
        case VTYPE_PWSTR: return record->pwstrVal;
        default: return nullptr;
    }
}

bool tVariantClear(tVariant* var, IMemoryManager* memory) {
    clear_record(var, memory, 0);
    return true;
}

void zero_record(tVariant& var, TYPEVAR vt) {
    std::memset(static_cast<void*>(&var), 0, sizeof var);
    var.vt = vt;
}

void set_wide_text(tVariant& dest, const uint16_t* text, size_t len, IMemoryManager* memory) {
    zero_record(dest, VTYPE_EMPTY);
    void* block = nullptr;
    if (memory == nullptr ||
        !memory->AllocMemory(&block, static_cast<unsigned long>((len + 1) * sizeof(uint16_t)))) {
        return;
    }
    uint16_t* units = static_cast<uint16_t*>(block);
    if (len > 0) std::memcpy(units, text, len * sizeof(uint16_t));
    units[len] = 0;
    dest.pwstrVal = units;
    dest.wstrLen = static_cast<uint32_t>(len);
    dest.vt = VTYPE_PWSTR;
}

#include "variant_conv.h"

#include <climits>
#include <cstring>

#include "automation_date.h"
#include "sized_addin_memory.h"

namespace {

void integer_to_tvariant(const VARIANT* source, tVariant* target) {
    int32_t value = 0;
    switch (source->vt) {
        case VT_I1: value = source->cVal; break;
        case VT_I2: value = source->iVal; break;
        case VT_I4: value = source->lVal; break;
        case VT_UI1: value = source->bVal; break;
        case VT_UI2: value = source->uiVal; break;
        case VT_UI4: value = static_cast<int32_t>(source->ulVal); break;
        case VT_I8: value = static_cast<int32_t>(source->llVal); break;
        case VT_UI8: value = static_cast<int32_t>(source->ullVal); break;
        default: break;
    }
    target->vt = VTYPE_I4;
    target->lVal = value;
}

// A date the platform cannot split leaves the value empty.
void date_to_tvariant(DATE date, tVariant* target) {
    tm fields{};
    if (!automation_date_fields(date, &fields)) return;
    target->vt = VTYPE_TM;
    target->tmVal = fields;
}

// A string the manager cannot hold leaves the value empty.
void bstr_to_tvariant(BSTR text, tVariant* target, IMemoryManager* memory) {
    const UINT length = text != nullptr ? SysStringLen(text) : 0;
    void* block = nullptr;
    const size_t bytes = (static_cast<size_t>(length) + 1) * sizeof(uint16_t);
    if (memory == nullptr || !memory->AllocMemory(&block, static_cast<unsigned long>(bytes)) ||
        block == nullptr) {
        return;
    }
    std::memset(block, 0, bytes);
    if (length != 0) std::memcpy(block, text, length * sizeof(uint16_t));
    target->vt = VTYPE_PWSTR;
    target->pwstrVal = static_cast<uint16_t*>(block);
    target->wstrLen = length;
}

// The text up to its terminator, and never past the add-in's block (which may hold none).
void ansi_to_variant(const char* text, VARIANT* target, IMemoryManager* memory) {
    target->vt = VT_BSTR;
    target->bstrVal = nullptr;
    if (text == nullptr) return;
    const size_t bytes = readable_text(memory, text, kUpToTerminator);
    if (bytes > static_cast<size_t>(INT_MAX)) return;
    const int count = static_cast<int>(bytes);
    const int length = count != 0 ? MultiByteToWideChar(CP_THREAD_ACP, 0, text, count, nullptr, 0)
                                  : 0;
    if (count != 0 && length <= 0) return;
    target->bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (target->bstrVal != nullptr && length != 0) {
        MultiByteToWideChar(CP_THREAD_ACP, 0, text, count, target->bstrVal, length);
    }
}

void blob_to_variant(const tVariant* source, VARIANT* target, IMemoryManager* memory) {
    const ULONG size =
        static_cast<ULONG>(readable_bytes(memory, source->pstrVal, source->strLen));
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_I1, 0, size);
    if (bytes == nullptr) return;
    if (size != 0) {
        void* data = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(bytes, &data))) {
            std::memcpy(data, source->pstrVal, size);
            SafeArrayUnaccessData(bytes);
        }
    }
    target->vt = VT_ARRAY | VT_I1;
    target->parray = bytes;
}

void tm_to_variant(const tm& fields, VARIANT* target) {
    DATE date = 0;
    if (!automation_date_of(fields, &date)) return;  // fields that make no calendar date
    target->vt = VT_DATE;
    target->date = date;
}

}  // namespace

void variant_to_tvariant(const VARIANT* source, tVariant* target, IMemoryManager* memory) {
    tVariantClear(target, memory);
    std::memset(target, 0, sizeof *target);
    target->vt = VTYPE_EMPTY;
    if (source == nullptr) return;
    switch (source->vt) {
        case VT_EMPTY: target->vt = VTYPE_NULL; break;
        case VT_NULL:
        case VT_VOID: break;
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8: integer_to_tvariant(source, target); break;
        case VT_R4:
            target->vt = VTYPE_R8;
            target->dblVal = source->fltVal;
            break;
        case VT_R8:
            target->vt = VTYPE_R8;
            target->dblVal = source->dblVal;
            break;
        case VT_DATE: date_to_tvariant(source->date, target); break;
        case VT_BSTR: bstr_to_tvariant(source->bstrVal, target, memory); break;
        case VT_BOOL:
            target->vt = VTYPE_BOOL;
            target->bVal = source->boolVal != 0;
            break;
        case VT_DISPATCH:
            target->vt = VTYPE_INTERFACE;
            target->pInterfaceVal = source->pdispVal;
            target->InterfaceID = IID_IDispatch;
            break;
        case VT_UNKNOWN:
            target->vt = VTYPE_INTERFACE;
            target->pInterfaceVal = source->punkVal;
            target->InterfaceID = IID_IUnknown;
            break;
        default: break;
    }
}

void tvariant_to_variant(tVariant* source, VARIANT* target, IMemoryManager* memory) {
    VariantClear(target);
    target->vt = VT_EMPTY;
    if (source == nullptr) return;
    bool consumed = false;
    switch (source->vt) {
        case VTYPE_NULL: target->vt = VT_NULL; break;
        case VTYPE_I1:
        case VTYPE_I2:
        case VTYPE_I4:
        case VTYPE_UI1:
        case VTYPE_UI2:
        case VTYPE_UI4: {
            target->vt = VT_I4;
            switch (source->vt) {
                case VTYPE_I1: target->lVal = source->i8Val; break;
                case VTYPE_I2: target->lVal = source->shortVal; break;
                case VTYPE_I4: target->lVal = source->lVal; break;
                case VTYPE_UI1: target->lVal = source->ui8Val; break;
                case VTYPE_UI2: target->lVal = source->ushortVal; break;
                default: target->lVal = static_cast<LONG>(source->ulVal); break;
            }
            break;
        }
        case VTYPE_R4:
            target->vt = VT_R8;
            target->dblVal = source->fltVal;
            break;
        case VTYPE_R8:
            target->vt = VT_R8;
            target->dblVal = source->dblVal;
            break;
        case VTYPE_DATE:
            target->vt = VT_DATE;
            target->date = source->date;
            break;
        case VTYPE_TM: tm_to_variant(source->tmVal, target); break;
        case VTYPE_PSTR:
            ansi_to_variant(source->pstrVal, target, memory);
            consumed = true;
            break;
        case VTYPE_BOOL:
            target->vt = VT_BOOL;
            target->boolVal = source->bVal ? 1 : 0;
            break;
        case VTYPE_PWSTR:
            target->vt = VT_BSTR;
            // A null buffer is an empty text, whatever length it claims.
            target->bstrVal = source->pwstrVal != nullptr
                                  ? SysAllocStringLen(reinterpret_cast<const OLECHAR*>(
                                                          source->pwstrVal),
                                                      static_cast<UINT>(readable_text(
                                                          memory, source->pwstrVal,
                                                          source->wstrLen)))
                                  : SysAllocString(L"");
            consumed = true;
            break;
        case VTYPE_BLOB:
            blob_to_variant(source, target, memory);
            consumed = true;
            break;
        default: break;
    }
    if (consumed) {
        tVariantClear(source, memory);
        source->vt = VTYPE_EMPTY;
    }
}

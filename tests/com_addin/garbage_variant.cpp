#include "garbage_variant.h"

#include <cstring>

namespace com_test {

STDMETHODIMP Tripwire::QueryInterface(REFIID, void** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Tripwire::AddRef() { return 2; }

STDMETHODIMP_(ULONG) Tripwire::Release() {
    ++m_releases;
    return 1;
}

const VARTYPE kGarbageTypes[3] = {VT_UNKNOWN, VT_BSTR, VT_ARRAY | VT_VARIANT};

VARIANT garbage_variant(VARTYPE vt, Tripwire& tripwire) {
    VARIANT value;
    std::memset(&value, 0xA5, sizeof value);
    value.vt = vt;
    if (vt == VT_UNKNOWN) value.punkVal = &tripwire;
    return value;
}

}  // namespace com_test

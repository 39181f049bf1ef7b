// The native adapter's message boxes on Linux: nothing is shown, the site answers.
#include "adapter_native.h"
#include "addin_site.h"
#include "native_boundary.h"
#include "utils.h"

bool AdapterNative::Confirm(const uint16_t* queryText, tVariant* retVal) {
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        CNPVariant answer;
        if (!m_pDispIntf->confirmCB(queryText, answer)) return false;
        if (retVal != nullptr) handOver(answer, *retVal);
        return true;
    });
}

bool AdapterNative::Alert(const uint16_t* text) {
    return native_boundary::guarded(
        false, [&] { return m_pDispIntf != nullptr && m_pDispIntf->alertCB(text); });
}

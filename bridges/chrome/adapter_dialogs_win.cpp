// The native adapter's message boxes on Windows: modal boxes on the host's main thread, which
// reads no input until the user has answered.
#include "adapter_native.h"
#include "message_box.h"
#include "native_boundary.h"
#include "utils.h"

bool AdapterNative::Confirm(const uint16_t* queryText, tVariant* retVal) {
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        const CNPVariant answer(show_message_box(queryText, eMessageBoxYesNo));
        if (retVal != nullptr) handOver(answer, *retVal);
        return true;
    });
}

bool AdapterNative::Alert(const uint16_t* text) {
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        show_message_box(text, eMessageBoxOk);
        return true;
    });
}

// The library's three exports. Which symbols leave the library is decided by the link
// (a version script on Linux, a module definition on Windows), not by markers here.

#include <cstdint>

#include "ComponentBase.h"
#include "scandor.h"
#include "wchar_wrapper.h"

namespace {
// The whole class list: one class, so no "|".
const WcharWrapper g_classNames(L"Scandor");
}  // namespace

extern "C" long GetClassObject(const uint16_t* /*wsName: the library has one class*/,
                               IComponentBase** pInterface) {
    if (*pInterface != nullptr) return 0;
    *pInterface = new Scandor();
    // The address as a long: on Windows x64 a long is narrower than a pointer, and the cut
    // must still read as success.
    const long result = static_cast<long>(reinterpret_cast<intptr_t>(*pInterface));
    return result != 0 ? result : 1;
}

extern "C" long DestroyObject(IComponentBase** pIntf) {
    if (*pIntf == nullptr) return -1;
    delete *pIntf;
    *pIntf = nullptr;
    return 0;
}

extern "C" const uint16_t* GetClassNames() { return g_classNames; }

// The older module entry, for browsers that ask for a module object instead of the record.

#include <new>

#include "addin_module.h"
#include "mozilla/GenericModule.h"
#include "nsIModule.h"

extern "C" NS_EXPORT_ABI nsresult NSGetModule(nsIComponentManager* /*aCompMgr*/,
                                              nsIFile* /*aLocation*/, nsIModule** aResult) {
    if (aResult == nullptr) return NS_ERROR_NULL_POINTER;
    mozilla::GenericModule* module = new (std::nothrow) mozilla::GenericModule(&kAddInModule);
    if (module == nullptr) return NS_ERROR_OUT_OF_MEMORY;
    module->AddRef();
    *aResult = module;
    return NS_OK;
}

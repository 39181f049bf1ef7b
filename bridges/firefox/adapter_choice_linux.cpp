#include "adapter_choice.h"

#include "firefox_config.h"

bool adapter_for_kind(AddInComponentType kind, AdapterChoice& choice) {
    if (kind != eAddInNative) return false;
    choice.contractId = ADAPTERNATIVE_CONTRACTID;
    choice.withLibrary = true;
    return true;
}

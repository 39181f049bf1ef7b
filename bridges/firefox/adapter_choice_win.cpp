#include "adapter_choice.h"

#include "firefox_config.h"
#include "firefox_config_com.h"

bool adapter_for_kind(AddInComponentType kind, AdapterChoice& choice) {
    switch (kind) {
        case eAddInNative:
            choice.contractId = ADAPTERNATIVE_CONTRACTID;
            choice.withLibrary = true;
            return true;
        case eAddInCom:
            choice.contractId = ADAPTERCOM_CONTRACTID;
            choice.withLibrary = false;
            return true;
        default:
            return false;
    }
}

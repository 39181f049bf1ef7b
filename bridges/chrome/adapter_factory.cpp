#include "adapter_factory.h"

#include "adapter_native.h"
#include "com_addins.h"
#include "host_exceptions.h"

IAdapterContext* create_adapter(AddInComponentType kind) {
    switch (kind) {
        case eAddInNative: return new AdapterNative();
        case eAddInCom: return create_com_adapter();
        default: throw invalid_args();
    }
}

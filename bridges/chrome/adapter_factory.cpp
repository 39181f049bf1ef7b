#include "adapter_factory.h"

#include "adapter_native.h"
#include "host_exceptions.h"

IAdapterContext* create_adapter(AddInComponentType kind) {
    switch (kind) {
        case eAddInNative: return new AdapterNative();
        default: throw invalid_args();
    }
}

#pragma once
// The adapter that a site drives, chosen by the add-in kind. A site reaches its adapter only
// through IAdapterContext, whatever the kind.

#include "adapter_context.h"
#include "addinlib.h"

// A new adapter for `kind`, ended by its destroy(): an AdapterNative for eAddInNative, the
// COM adapter for eAddInCom where the build has one (com_addins.h); any other kind throws
// invalid_args.
IAdapterContext* create_adapter(AddInComponentType kind);

#pragma once
// Add-ins that are COM objects, as far as the rest of the host sees them. The Windows build
// serves them (adapter_com_win.cpp, com_discovery_win.cpp); elsewhere there are none, and
// both operations raise invalid_args (com_addins_linux.cpp).

#include <vector>

#include "adapter_context.h"
#include "host_types.h"

// A new COM adapter holding one reference, the site's, given back through its destroy().
IAdapterContext* create_com_adapter();

// The loader's discovery for a build of COM add-ins. `location` is the page's: when it is a
// registered ProgID it is the library path itself, else the path is `defaultPath` (the add-in
// file beside the host). The library registers itself per user, its class list is read, and
// each class becomes a ProgID ("AddIn." + its name when the library could be loaded).
void com_addin_classes(const UnicodeString& location, const UnicodeString& defaultPath,
                       UnicodeString& path, std::vector<UnicodeString>& progIds);

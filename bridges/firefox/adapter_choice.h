#pragma once
// Which adapter a site creates for an add-in kind: its contract ID, and whether Connect is
// given the library's path (a native adapter opens the library; a COM adapter finds its
// class by name). One source per platform: only the Windows build knows COM add-ins.

#include "addinlib.h"

struct AdapterChoice {
    const char* contractId;
    bool withLibrary;
};

// False for a kind that no adapter of this build serves; `choice` is then untouched.
bool adapter_for_kind(AddInComponentType kind, AdapterChoice& choice);

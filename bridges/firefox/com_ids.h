#pragma once
// COM's GUIDs and XPCOM's nsIDs have the same 16 bytes in the same layout.

#include <windows.h>

#include <cstring>

#include "nsID.h"

static_assert(sizeof(GUID) == sizeof(nsID), "a GUID and an nsID are both 16 bytes");

inline nsID nsid_of(REFGUID guid) {
    nsID id;
    std::memcpy(&id, &guid, sizeof id);
    return id;
}

inline GUID guid_of(const nsID& id) {
    GUID guid;
    std::memcpy(&guid, &id, sizeof guid);
    return guid;
}

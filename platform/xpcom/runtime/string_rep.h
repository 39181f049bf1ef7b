#pragma once
// The runtime's view of a string object: the three words of nsStringContainer_base.

#include <cstdint>

#include "nsStringAPI.h"

namespace xpcom_runtime {

struct StringRep {
    void* data;
    uint32_t length;
    uint32_t flags;
};

static_assert(sizeof(StringRep) == sizeof(nsStringContainer_base), "string objects match");

// Every nsAString / nsACString handed over is really a container of this layout.
inline StringRep& rep_of(nsAString& s) { return reinterpret_cast<StringRep&>(s); }
inline const StringRep& rep_of(const nsAString& s) { return reinterpret_cast<const StringRep&>(s); }
inline StringRep& rep_of(nsACString& s) { return reinterpret_cast<StringRep&>(s); }
inline const StringRep& rep_of(const nsACString& s) {
    return reinterpret_cast<const StringRep&>(s);
}

}  // namespace xpcom_runtime

#pragma once
// nsID: the 16-byte identifier of interfaces (IID) and classes (CID), with its text form
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}". Layout: 32-bit, 16-bit, 16-bit, eight bytes.

#include "nscore.h"

/// Characters of the text form with braces, plus the terminator.
#define NSID_LENGTH 39

struct nsID {
    uint32_t m0;
    uint16_t m1;
    uint16_t m2;
    uint8_t m3[8];

    /// Whether both identifiers have the same 16 bytes.
    bool Equals(const nsID& other) const;
    /// Reads the text form, with or without braces, hex digits of either case. On failure
    /// returns false and leaves the identifier zeroed.
    bool Parse(const char* text);
    /// The text form with braces in lower case, allocated with NS_Alloc (the caller frees it
    /// with NS_Free); null when out of memory.
    char* ToString() const;
    /// Writes the text form with braces into dest.
    void ToProvidedString(char (&dest)[NSID_LENGTH]) const;
};

inline bool operator==(const nsID& a, const nsID& b) { return a.Equals(b); }
inline bool operator!=(const nsID& a, const nsID& b) { return !a.Equals(b); }

typedef nsID nsIID;
typedef nsID nsCID;
typedef const nsID& REFNSIID;
typedef const nsID& nsIIDRef;
typedef const nsID& nsCIDRef;

static_assert(sizeof(nsID) == 16, "nsID is 16 bytes");

/// Inside an interface declaration: its identifier, reachable as NS_GET_IID(Interface).
#define NS_DECLARE_STATIC_IID_ACCESSOR(the_iid) static constexpr nsIID kIID = the_iid;
/// After an interface declaration; kept for the usual spelling, nothing to define in C++17.
#define NS_DEFINE_STATIC_IID_ACCESSOR(the_interface, the_iid)
/// The identifier of an interface type.
#define NS_GET_IID(the_interface) (the_interface::kIID)
/// Defines a named constant identifier.
#define NS_DEFINE_CID(name, cidspec) static const nsCID name = cidspec
#define NS_DEFINE_IID(name, iidspec) static const nsIID name = iidspec

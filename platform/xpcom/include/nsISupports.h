#pragma once
// nsISupports: the base of every interface. Slots: 0 QueryInterface, 1 AddRef, 2 Release.

#include "nsError.h"
#include "nsID.h"

typedef uint32_t nsrefcnt;

#define NS_ISUPPORTS_IID \
    { 0x00000000, 0x0000, 0x0000, { 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } }

class nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_ISUPPORTS_IID)

    /// Hands out the interface aIID of this object with a reference added, or sets
    /// *aInstancePtr to null and returns NS_ERROR_NO_INTERFACE.
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) = 0;
    /// Adds a reference; returns the new count.
    NS_IMETHOD_(nsrefcnt) AddRef() = 0;
    /// Drops a reference, destroying the object at zero; returns the new count.
    NS_IMETHOD_(nsrefcnt) Release() = 0;

protected:
    // Objects are destroyed through Release only. Not virtual: a virtual destructor would
    // take vtable slots the interface does not have.
    ~nsISupports() = default;
};

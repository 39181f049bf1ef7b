#pragma once
// nsIFactory: makes objects of one class.

#include "nsISupports.h"

#define NS_IFACTORY_IID \
    { 0x00000001, 0x0000, 0x0000, { 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } }

class nsIFactory : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IFACTORY_IID)

    /// A new object asked for aIID; aOuter non-null asks for aggregation.
    NS_IMETHOD CreateInstance(nsISupports* aOuter, const nsIID& aIID, void** aResult) = 0;
    NS_IMETHOD LockFactory(bool aLock) = 0;

protected:
    ~nsIFactory() = default;
};

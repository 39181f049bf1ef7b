#pragma once
// nsIArray: a read-only list of objects.

#include "nsISupports.h"

class nsISimpleEnumerator;

#define NS_IARRAY_IID \
    { 0x114744d9, 0xc369, 0x456e, { 0xb5, 0x5a, 0x52, 0xfe, 0x52, 0x88, 0x0d, 0x2d } }

class nsIArray : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IARRAY_IID)

    NS_IMETHOD GetLength(uint32_t* aLength) = 0;
    /// The element at index asked for aIID; NS_ERROR_ILLEGAL_VALUE past the end.
    NS_IMETHOD QueryElementAt(uint32_t index, const nsIID& uuid, void** result) = 0;
    /// The first position at or after startIndex holding element (by identity);
    /// NS_ERROR_FAILURE when absent.
    NS_IMETHOD IndexOf(uint32_t startIndex, nsISupports* element, uint32_t* _retval) = 0;
    NS_IMETHOD Enumerate(nsISimpleEnumerator** _retval) = 0;

protected:
    ~nsIArray() = default;
};

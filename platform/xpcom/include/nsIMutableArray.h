#pragma once
// nsIMutableArray: a list of objects that can change. Weak references are not offered by
// this runtime: weak = true answers NS_ERROR_NOT_IMPLEMENTED.

#include "nsIArray.h"

#define NS_IMUTABLEARRAY_IID \
    { 0xaf059da0, 0xc85b, 0x40ec, { 0xaf, 0x07, 0xae, 0x4b, 0xfd, 0xc1, 0x92, 0xcc } }
#define NS_ARRAY_CONTRACTID "@mozilla.org/array;1"

class nsIMutableArray : public nsIArray {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IMUTABLEARRAY_IID)

    NS_IMETHOD AppendElement(nsISupports* element, bool weak) = 0;
    NS_IMETHOD RemoveElementAt(uint32_t index) = 0;
    NS_IMETHOD InsertElementAt(nsISupports* element, uint32_t index, bool weak) = 0;
    NS_IMETHOD ReplaceElementAt(nsISupports* element, uint32_t index, bool weak) = 0;
    NS_IMETHOD Clear() = 0;

protected:
    ~nsIMutableArray() = default;
};

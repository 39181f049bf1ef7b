#pragma once
// The module's constructor for one of the component's classes: no outer object, a new object
// asked for the requested interface.

#include <new>

#include "nsError.h"
#include "nsID.h"
#include "nsISupports.h"

template <class T>
nsresult construct(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    if (aResult == nullptr) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    if (aOuter != nullptr) return NS_ERROR_NO_AGGREGATION;
    T* object = new (std::nothrow) T();
    if (object == nullptr) return NS_ERROR_OUT_OF_MEMORY;
    object->AddRef();
    const nsresult rv = object->QueryInterface(aIID, aResult);
    object->Release();  // without aIID this destroys the object
    return rv;
}

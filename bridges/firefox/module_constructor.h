#pragma once
// The module's constructor for one of the component's classes: no outer object, a new object
// asked for the requested interface.

#include "entry_guard.h"
#include "nsError.h"
#include "nsID.h"
#include "nsISupports.h"

template <class T>
nsresult construct(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    if (aResult == nullptr) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    if (aOuter != nullptr) return NS_ERROR_NO_AGGREGATION;
    T* object = nullptr;
    const nsresult made = guarded([&] {
        object = new T();
        return NS_OK;
    });
    if (NS_FAILED(made)) return made;
    object->AddRef();
    const nsresult rv = object->QueryInterface(aIID, aResult);
    object->Release();  // without aIID this destroys the object
    return rv;
}

#pragma once
// nsCOMPtr<T>: a strong reference to an XPCOM interface, and the helpers that fill one:
// do_QueryInterface, getter_AddRefs, and (in nsComponentManagerUtils.h and
// nsServiceManagerUtils.h) do_CreateInstance and do_GetService.

#include "already_AddRefed.h"
#include "nsISupports.h"

/// Something that can produce an interface by identifier, as do_QueryInterface and
/// do_CreateInstance do; nsCOMPtr<T> calls it with T's identifier.
class nsCOMPtr_helper {
public:
    virtual nsresult operator()(const nsIID& aIID, void** aResult) const = 0;

protected:
    ~nsCOMPtr_helper() = default;
};

/// Asks an object for an interface; the result code goes to *mErrorPtr when given.
class nsQueryInterface final : public nsCOMPtr_helper {
public:
    nsQueryInterface(nsISupports* aRawPtr, nsresult* aErrorPtr)
        : mRawPtr(aRawPtr), mErrorPtr(aErrorPtr) {}
    nsresult operator()(const nsIID& aIID, void** aResult) const override {
        nsresult rv = NS_ERROR_NULL_POINTER;
        *aResult = nullptr;
        if (mRawPtr) {
            rv = mRawPtr->QueryInterface(aIID, aResult);
        }
        if (mErrorPtr) {
            *mErrorPtr = rv;
        }
        return rv;
    }

private:
    nsISupports* mRawPtr;
    nsresult* mErrorPtr;
};

inline nsQueryInterface do_QueryInterface(nsISupports* aRawPtr, nsresult* aErrorPtr = nullptr) {
    return nsQueryInterface(aRawPtr, aErrorPtr);
}

template <class T>
class nsCOMPtr {
public:
    nsCOMPtr() : mRawPtr(nullptr) {}
    nsCOMPtr(decltype(nullptr)) : mRawPtr(nullptr) {}
    nsCOMPtr(T* aRawPtr) : mRawPtr(aRawPtr) { addref(); }
    nsCOMPtr(const nsCOMPtr& aOther) : mRawPtr(aOther.mRawPtr) { addref(); }
    nsCOMPtr(nsCOMPtr&& aOther) : mRawPtr(aOther.mRawPtr) { aOther.mRawPtr = nullptr; }
    nsCOMPtr(already_AddRefed<T>&& aRef) : mRawPtr(aRef.take()) {}
    nsCOMPtr(const nsCOMPtr_helper& aHelper) : mRawPtr(nullptr) { assign_from(aHelper); }
    ~nsCOMPtr() { release(); }

    nsCOMPtr& operator=(T* aRawPtr) {
        if (aRawPtr) {
            aRawPtr->AddRef();
        }
        replace(aRawPtr);
        return *this;
    }
    nsCOMPtr& operator=(const nsCOMPtr& aOther) { return operator=(aOther.mRawPtr); }
    nsCOMPtr& operator=(nsCOMPtr&& aOther) {
        if (this != &aOther) {
            replace(aOther.mRawPtr);
            aOther.mRawPtr = nullptr;
        }
        return *this;
    }
    nsCOMPtr& operator=(already_AddRefed<T>&& aRef) {
        replace(aRef.take());
        return *this;
    }
    nsCOMPtr& operator=(const nsCOMPtr_helper& aHelper) {
        assign_from(aHelper);
        return *this;
    }

    T* get() const { return mRawPtr; }
    operator T*() const { return mRawPtr; }
    T* operator->() const { return mRawPtr; }
    T& operator*() const { return *mRawPtr; }

    /// Hands the reference to *aResult and leaves this pointer null.
    void forget(T** aResult) {
        *aResult = mRawPtr;
        mRawPtr = nullptr;
    }
    already_AddRefed<T> forget() {
        T* ptr = mRawPtr;
        mRawPtr = nullptr;
        return already_AddRefed<T>(ptr);
    }
    /// The address to write a new reference into, for getter_AddRefs; drops the old one.
    T** StartAssignment() {
        release();
        mRawPtr = nullptr;
        return &mRawPtr;
    }

private:
    void addref() {
        if (mRawPtr) {
            mRawPtr->AddRef();
        }
    }
    void release() {
        if (mRawPtr) {
            mRawPtr->Release();
        }
    }
    void replace(T* aNew) {
        T* old = mRawPtr;
        mRawPtr = aNew;
        if (old) {
            old->Release();
        }
    }
    void assign_from(const nsCOMPtr_helper& aHelper) {
        void* result = nullptr;
        if (NS_FAILED(aHelper(NS_GET_IID(T), &result))) {
            result = nullptr;
        }
        replace(static_cast<T*>(result));
    }

    T* mRawPtr;
};

/// Lets a getter write its new reference straight into an nsCOMPtr: Get(getter_AddRefs(p)).
template <class T>
class nsGetterAddRefs {
public:
    explicit nsGetterAddRefs(nsCOMPtr<T>& aPtr) : mTarget(aPtr) {}
    operator T**() { return mTarget.StartAssignment(); }
    operator void**() { return reinterpret_cast<void**>(mTarget.StartAssignment()); }

private:
    nsCOMPtr<T>& mTarget;
};

template <class T>
nsGetterAddRefs<T> getter_AddRefs(nsCOMPtr<T>& aPtr) {
    return nsGetterAddRefs<T>(aPtr);
}

/// Asks aSource for T into *aDest; null source gives NS_ERROR_NULL_POINTER.
template <class T>
nsresult CallQueryInterface(nsISupports* aSource, T** aDest) {
    *aDest = nullptr;
    if (!aSource) {
        return NS_ERROR_NULL_POINTER;
    }
    return aSource->QueryInterface(NS_GET_IID(T), reinterpret_cast<void**>(aDest));
}

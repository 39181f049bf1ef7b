#pragma once
// do_CreateInstance: a new object by contract or class ID straight into an nsCOMPtr.

#include "nsCOMPtr.h"
#include "nsIComponentManager.h"
#include "nsXPCOM.h"

class nsCreateInstanceByContractID final : public nsCOMPtr_helper {
public:
    nsCreateInstanceByContractID(const char* aContractID, nsresult* aErrorPtr)
        : mContractID(aContractID), mErrorPtr(aErrorPtr) {}
    nsresult operator()(const nsIID& aIID, void** aResult) const override;

private:
    const char* mContractID;
    nsresult* mErrorPtr;
};

class nsCreateInstanceByCID final : public nsCOMPtr_helper {
public:
    nsCreateInstanceByCID(const nsCID& aCID, nsresult* aErrorPtr)
        : mCID(aCID), mErrorPtr(aErrorPtr) {}
    nsresult operator()(const nsIID& aIID, void** aResult) const override;

private:
    const nsCID& mCID;
    nsresult* mErrorPtr;
};

inline nsCreateInstanceByContractID do_CreateInstance(const char* aContractID,
                                                      nsresult* aErrorPtr = nullptr) {
    return nsCreateInstanceByContractID(aContractID, aErrorPtr);
}

inline nsCreateInstanceByCID do_CreateInstance(const nsCID& aCID,
                                               nsresult* aErrorPtr = nullptr) {
    return nsCreateInstanceByCID(aCID, aErrorPtr);
}

/// A new object by contract ID, asked for T.
template <class T>
nsresult CallCreateInstance(const char* aContractID, T** aResult) {
    return nsCreateInstanceByContractID(aContractID, nullptr)(NS_GET_IID(T),
                                                              reinterpret_cast<void**>(aResult));
}

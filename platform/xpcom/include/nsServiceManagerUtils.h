#pragma once
// do_GetService: the shared object of a class by contract or class ID into an nsCOMPtr.

#include "nsCOMPtr.h"
#include "nsIServiceManager.h"
#include "nsXPCOM.h"

class nsGetServiceByContractID final : public nsCOMPtr_helper {
public:
    nsGetServiceByContractID(const char* aContractID, nsresult* aErrorPtr)
        : mContractID(aContractID), mErrorPtr(aErrorPtr) {}
    nsresult operator()(const nsIID& aIID, void** aResult) const override;

private:
    const char* mContractID;
    nsresult* mErrorPtr;
};

class nsGetServiceByCID final : public nsCOMPtr_helper {
public:
    nsGetServiceByCID(const nsCID& aCID, nsresult* aErrorPtr) : mCID(aCID), mErrorPtr(aErrorPtr) {}
    nsresult operator()(const nsIID& aIID, void** aResult) const override;

private:
    const nsCID& mCID;
    nsresult* mErrorPtr;
};

inline nsGetServiceByContractID do_GetService(const char* aContractID,
                                              nsresult* aErrorPtr = nullptr) {
    return nsGetServiceByContractID(aContractID, aErrorPtr);
}

inline nsGetServiceByCID do_GetService(const nsCID& aCID, nsresult* aErrorPtr = nullptr) {
    return nsGetServiceByCID(aCID, aErrorPtr);
}

/// The service of a contract ID, asked for T.
template <class T>
nsresult CallGetService(const char* aContractID, T** aResult) {
    return nsGetServiceByContractID(aContractID, nullptr)(NS_GET_IID(T),
                                                          reinterpret_cast<void**>(aResult));
}

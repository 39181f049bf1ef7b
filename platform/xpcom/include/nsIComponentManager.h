#pragma once
// nsIComponentManager: creates objects of registered classes by class or contract ID.

#include "nsISupports.h"

class nsIFile;
class nsISimpleEnumerator;

#define NS_ICOMPONENTMANAGER_IID \
    { 0xd604ffc3, 0x1ba3, 0x4f6c, { 0xb6, 0x5f, 0x1e, 0xd4, 0x19, 0x93, 0x64, 0xc3 } }

class nsIComponentManager : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_ICOMPONENTMANAGER_IID)

    /// The factory of a class, asked for aIID.
    NS_IMETHOD GetClassObject(const nsCID& aClass, const nsIID& aIID, void** aResult) = 0;
    NS_IMETHOD GetClassObjectByContractID(const char* aContractID, const nsIID& aIID,
                                          void** aResult) = 0;
    /// A new object of a class, asked for aIID (NS_ERROR_FACTORY_NOT_REGISTERED when the
    /// class is unknown).
    NS_IMETHOD CreateInstance(const nsCID& aClass, nsISupports* aDelegate, const nsIID& aIID,
                              void** aResult) = 0;
    NS_IMETHOD CreateInstanceByContractID(const char* aContractID, nsISupports* aDelegate,
                                          const nsIID& aIID, void** aResult) = 0;
    NS_IMETHOD AddBootstrappedManifestLocation(nsIFile* aLocation) = 0;
    NS_IMETHOD RemoveBootstrappedManifestLocation(nsIFile* aLocation) = 0;
    NS_IMETHOD GetManifestLocations(nsISimpleEnumerator** _retval) = 0;

protected:
    ~nsIComponentManager() = default;
};

#pragma once
// nsIModule: the older module entry of a component library (what NSGetModule returns).

#include "nsISupports.h"

class nsIComponentManager;
class nsIFile;

#define NS_IMODULE_IID \
    { 0x7392d032, 0x5371, 0x11d3, { 0x99, 0x4e, 0x00, 0x80, 0x5f, 0xd2, 0x6f, 0xee } }

class nsIModule : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IMODULE_IID)

    /// The factory of class aClass of this module, asked for aIID.
    NS_IMETHOD GetClassObject(nsIComponentManager* aCompMgr, const nsCID& aClass,
                              const nsIID& aIID, void** aResult) = 0;
    NS_IMETHOD RegisterSelf(nsIComponentManager* aCompMgr, nsIFile* aLocation,
                            const char* aLoaderStr, const char* aType) = 0;
    NS_IMETHOD UnregisterSelf(nsIComponentManager* aCompMgr, nsIFile* aLocation,
                              const char* aLoaderStr) = 0;
    NS_IMETHOD CanUnload(nsIComponentManager* aCompMgr, bool* _retval) = 0;

protected:
    ~nsIModule() = default;
};

/// The type of the NSGetModule entry a component library may export.
typedef nsresult (*nsGetModuleProc)(nsIComponentManager* aCompMgr, nsIFile* aLocation,
                                    nsIModule** aResult);

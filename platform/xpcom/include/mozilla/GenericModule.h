#pragma once
// mozilla::GenericModule: an nsIModule over a mozilla::Module record, for components that
// also offer the older NSGetModule entry. Part of the static glue that a component links.
// GetClassObject hands out a factory for a class of the record (through its factory hook
// or constructor, for rows that apply to the main process); registration goes through the
// record itself, so RegisterSelf and UnregisterSelf only answer NS_OK; CanUnload says no.

#include "mozilla/Module.h"
#include "nsIFactory.h"
#include "nsIModule.h"
#include "nsISupportsImpl.h"

namespace mozilla {

class GenericModule final : public nsIModule {
public:
    explicit GenericModule(const Module* aData) : mData(aData) {}

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD GetClassObject(nsIComponentManager* aCompMgr, const nsCID& aClass,
                              const nsIID& aIID, void** aResult) override;
    NS_IMETHOD RegisterSelf(nsIComponentManager* aCompMgr, nsIFile* aLocation,
                            const char* aLoaderStr, const char* aType) override;
    NS_IMETHOD UnregisterSelf(nsIComponentManager* aCompMgr, nsIFile* aLocation,
                              const char* aLoaderStr) override;
    NS_IMETHOD CanUnload(nsIComponentManager* aCompMgr, bool* _retval) override;

    /// The record this module object stands for.
    const Module* data() const { return mData; }

private:
    ~GenericModule() = default;

    const Module* mData;
};

/// A factory over one constructor of a module record.
class GenericFactory final : public nsIFactory {
public:
    explicit GenericFactory(Module::ConstructorProcPtr aCtor) : mCtor(aCtor) {}

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD CreateInstance(nsISupports* aOuter, const nsIID& aIID, void** aResult) override;
    NS_IMETHOD LockFactory(bool aLock) override;

private:
    ~GenericFactory() = default;

    Module::ConstructorProcPtr mCtor;
};

}  // namespace mozilla

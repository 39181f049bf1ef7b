#pragma once
// mozilla::Module: the record a component library exports (through the data symbol
// NSModule, which holds its address) to tell the browser its classes, contract IDs and
// category entries. Field order and types are those of the browser generation the layer
// stands for, so the tables read the same to such a browser as to our runtime:
//
//   Module          {unsigned mVersion; CIDEntry* mCIDs; ContractIDEntry* mContractIDs;
//                    CategoryEntry* mCategoryEntries; getFactoryProc; loadProc; unloadProc}
//   CIDEntry        {const nsCID* cid; bool service; getFactoryProc; constructorProc;
//                    ProcessSelector processSelector}
//   ContractIDEntry {const char* contractid; const nsCID* cid; ProcessSelector}
//   CategoryEntry   {const char* category; const char* entry; const char* value}
//
// Each table ends with a row whose first field is null. ProcessSelector is an int-sized
// enumeration.

#include "already_AddRefed.h"
#include "nsID.h"
#include "nsISupports.h"

class nsIFactory;

namespace mozilla {

struct Module {
    /// The module version of the browser this layer stands for; the browser loads a
    /// component only when mVersion equals its own.
    static constexpr unsigned int kVersion = 31;

    struct CIDEntry;

    /// Makes the factory of one class (instead of a constructor).
    typedef already_AddRefed<nsIFactory> (*GetFactoryProcPtr)(const Module& module,
                                                              const CIDEntry& entry);
    /// Makes one object: null aOuter (else NS_ERROR_NO_AGGREGATION), asked for aIID.
    typedef nsresult (*ConstructorProcPtr)(nsISupports* aOuter, const nsIID& aIID,
                                           void** aResult);
    /// Called once after the module is read; a failure refuses the module.
    typedef nsresult (*LoadFuncPtr)();
    /// Called once when the browser shuts down.
    typedef void (*UnloadFuncPtr)();

    /// In which processes a row applies; this runtime is the main (chrome) process.
    enum ProcessSelector { ANY_PROCESS = 0, MAIN_PROCESS_ONLY, CONTENT_PROCESS_ONLY };

    struct CIDEntry {
        const nsCID* cid;
        bool service;
        GetFactoryProcPtr getFactoryProc;
        ConstructorProcPtr constructorProc;
        ProcessSelector processSelector;
    };

    struct ContractIDEntry {
        const char* contractid;
        nsID const* cid;
        ProcessSelector processSelector;
    };

    struct CategoryEntry {
        const char* category;
        const char* entry;
        const char* value;
    };

    unsigned int mVersion;
    const CIDEntry* mCIDs;
    const ContractIDEntry* mContractIDs;
    const CategoryEntry* mCategoryEntries;
    GetFactoryProcPtr getFactoryProc;
    LoadFuncPtr loadProc;
    UnloadFuncPtr unloadProc;
};

}  // namespace mozilla

/// Declares a component library's NSModule data symbol.
#define NSMODULE_DEFN(_name) extern "C" NS_EXPORT_ABI mozilla::Module const* const NSModule

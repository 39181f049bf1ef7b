// The record of the test browser's own classes: variant, array, timer, memory, prompt
// service, window watcher.

#include "builtin_module.h"

#include "memory_service.h"
#include "mutable_array.h"
#include "nsIMemory.h"
#include "nsIMutableArray.h"
#include "nsIPromptService.h"
#include "nsITimer.h"
#include "nsIVariant.h"
#include "nsIWindowWatcher.h"
#include "prompt_service.h"
#include "runtime_globals.h"
#include "timer.h"
#include "variant.h"
#include "window_watcher.h"

namespace xpcom_runtime {

namespace {

const nsCID kVariantCID = {0x6c9eb060, 0x8c6a, 0x4ee7, {0x8c, 0x2b, 0x61, 0x3f, 0x1d, 0x0a, 0x77, 0x01}};
const nsCID kArrayCID = {0x6c9eb060, 0x8c6a, 0x4ee7, {0x8c, 0x2b, 0x61, 0x3f, 0x1d, 0x0a, 0x77, 0x02}};
const nsCID kTimerCID = {0x6c9eb060, 0x8c6a, 0x4ee7, {0x8c, 0x2b, 0x61, 0x3f, 0x1d, 0x0a, 0x77, 0x03}};
const nsCID kMemoryCID = {0x6c9eb060, 0x8c6a, 0x4ee7, {0x8c, 0x2b, 0x61, 0x3f, 0x1d, 0x0a, 0x77, 0x04}};
const nsCID kPromptCID = {0x6c9eb060, 0x8c6a, 0x4ee7, {0x8c, 0x2b, 0x61, 0x3f, 0x1d, 0x0a, 0x77, 0x05}};
const nsCID kWatcherCID = {0x6c9eb060, 0x8c6a, 0x4ee7, {0x8c, 0x2b, 0x61, 0x3f, 0x1d, 0x0a, 0x77, 0x06}};

// The constructor contract of a module record, over a new object of Class.
template <class Class>
nsresult construct(nsISupports* outer, const nsIID& iid, void** result) {
    *result = nullptr;
    if (outer) return NS_ERROR_NO_AGGREGATION;
    nsCOMPtr<nsISupports> object = static_cast<nsISupports*>(new Class());
    return object->QueryInterface(iid, result);
}

nsresult construct_timer(nsISupports* outer, const nsIID& iid, void** result) {
    *result = nullptr;
    if (outer) return NS_ERROR_NO_AGGREGATION;
    nsCOMPtr<MainThread> thread = current_runtime().main_thread;
    if (!thread) return NS_ERROR_NOT_INITIALIZED;
    nsCOMPtr<nsITimer> timer = new Timer(thread);
    return timer->QueryInterface(iid, result);
}

const mozilla::Module::CIDEntry kClasses[] = {
    {&kVariantCID, false, nullptr, construct<Variant>, mozilla::Module::ANY_PROCESS},
    {&kArrayCID, false, nullptr, construct<MutableArray>, mozilla::Module::ANY_PROCESS},
    {&kTimerCID, false, nullptr, construct_timer, mozilla::Module::ANY_PROCESS},
    {&kMemoryCID, true, nullptr, construct<MemoryService>, mozilla::Module::ANY_PROCESS},
    {&kPromptCID, true, nullptr, construct<PromptService>, mozilla::Module::ANY_PROCESS},
    {&kWatcherCID, true, nullptr, construct<WindowWatcher>, mozilla::Module::ANY_PROCESS},
    {nullptr, false, nullptr, nullptr, mozilla::Module::ANY_PROCESS}};

const mozilla::Module::ContractIDEntry kContracts[] = {
    {NS_VARIANT_CONTRACTID, &kVariantCID, mozilla::Module::ANY_PROCESS},
    {NS_ARRAY_CONTRACTID, &kArrayCID, mozilla::Module::ANY_PROCESS},
    {NS_TIMER_CONTRACTID, &kTimerCID, mozilla::Module::ANY_PROCESS},
    {NS_MEMORY_CONTRACTID, &kMemoryCID, mozilla::Module::ANY_PROCESS},
    {NS_PROMPTSERVICE_CONTRACTID, &kPromptCID, mozilla::Module::ANY_PROCESS},
    {NS_WINDOWWATCHER_CONTRACTID, &kWatcherCID, mozilla::Module::ANY_PROCESS},
    {nullptr, nullptr, mozilla::Module::ANY_PROCESS}};

const mozilla::Module::CategoryEntry kCategories[] = {{nullptr, nullptr, nullptr}};

const mozilla::Module kBuiltinModule = {mozilla::Module::kVersion,
                                        kClasses,
                                        kContracts,
                                        kCategories,
                                        nullptr,
                                        nullptr,
                                        nullptr};

}  // namespace

const mozilla::Module& builtin_module() { return kBuiltinModule; }

}  // namespace xpcom_runtime

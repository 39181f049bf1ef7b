// A tiny component library for the test browser's loader: one class that posts itself to
// the main thread, built only against the layer's headers and glue, so every browser
// function it uses must be bound from the runtime when it is loaded.

#include <atomic>

#include "mozilla/GenericModule.h"
#include "mozilla/Module.h"
#include "nsComponentManagerUtils.h"
#include "nsISupportsImpl.h"
#include "nsIVariant.h"
#include "nsThreadUtils.h"
#include "test_component.h"

namespace {

int g_loads = 0;
int g_unloads = 0;
std::atomic<int> g_runs_on_main{0};
std::atomic<int> g_runs_elsewhere{0};

// Counts where it runs; it also makes a platform variant, through the runtime's manager.
class MainThreadProbe final : public nsIRunnable {
public:
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD Run() override {
        nsCOMPtr<nsIWritableVariant> answer = do_CreateInstance(NS_VARIANT_CONTRACTID);
        if (!answer) return NS_ERROR_FAILURE;
        const bool on_main = NS_IsMainThread();
        answer->SetAsBool(on_main);
        ++(on_main ? g_runs_on_main : g_runs_elsewhere);
        return NS_OK;
    }

private:
    ~MainThreadProbe() = default;
};

NS_IMPL_ADDREF(MainThreadProbe)
NS_IMPL_RELEASE(MainThreadProbe)
NS_INTERFACE_MAP_BEGIN(MainThreadProbe)
    NS_INTERFACE_MAP_ENTRY(nsIRunnable)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

nsresult MainThreadProbeConstructor(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    *aResult = nullptr;
    if (aOuter) return NS_ERROR_NO_AGGREGATION;
    nsCOMPtr<nsIRunnable> probe = new MainThreadProbe();
    return probe->QueryInterface(aIID, aResult);
}

nsresult on_load() {
    ++g_loads;
    return NS_OK;
}

void on_unload() { ++g_unloads; }

const nsCID kProbeCID = TEST_PROBE_CID;
const nsCID kContentOnlyCID = TEST_CONTENT_ONLY_CID;

const mozilla::Module::CIDEntry kCIDs[] = {
    {&kProbeCID, false, nullptr, MainThreadProbeConstructor, mozilla::Module::ANY_PROCESS},
    {&kContentOnlyCID, false, nullptr, MainThreadProbeConstructor,
     mozilla::Module::CONTENT_PROCESS_ONLY},
    {nullptr, false, nullptr, nullptr, mozilla::Module::ANY_PROCESS}};

const mozilla::Module::ContractIDEntry kContracts[] = {
    {TEST_PROBE_CONTRACTID, &kProbeCID, mozilla::Module::ANY_PROCESS},
    {TEST_CONTENT_ONLY_CONTRACTID, &kContentOnlyCID, mozilla::Module::CONTENT_PROCESS_ONLY},
    {nullptr, nullptr, mozilla::Module::ANY_PROCESS}};

const mozilla::Module::CategoryEntry kCategories[] = {
    {"test-category", "probe", TEST_PROBE_CONTRACTID}, {nullptr, nullptr, nullptr}};

mozilla::Module kModule = {TEST_MODULE_VERSION, kCIDs,   kContracts, kCategories,
                           nullptr,             on_load, on_unload};

}  // namespace

NSMODULE_DEFN(TestComponent) = &kModule;

extern "C" NS_EXPORT_ABI nsresult NSGetModule(nsIComponentManager*, nsIFile*,
                                              nsIModule** aResult) {
    *aResult = new mozilla::GenericModule(&kModule);
    (*aResult)->AddRef();
    return NS_OK;
}

extern "C" NS_EXPORT_ABI void test_component_counts(TestComponentCounts* counts) {
    counts->loads = g_loads;
    counts->unloads = g_unloads;
    counts->runs_on_main = g_runs_on_main;
    counts->runs_elsewhere = g_runs_elsewhere;
}

// Loading component libraries into the test browser: the record, its hooks and rows, and
// objects made by contract ID inside the component.

#include <gtest/gtest.h>

#include <thread>

#include "mozilla/Module.h"
#include "nsIFactory.h"
#include "nsIModule.h"
#include "nsIRunnable.h"
#include "nsIVariant.h"
#include "nsThreadUtils.h"
#include "library_loader.h"
#include "test_component.h"
#include "xpcom_runtime/test_browser.h"

namespace {

using namespace std::chrono_literals;
using velmor_test::find_symbol;
using velmor_test::hold_loaded_library;
using velmor_test::load_library;
using velmor_test::unload_library;

TestComponentCounts counts() {
    TestComponentCounts result{};
    void* self = hold_loaded_library(TEST_COMPONENT_PATH);
    if (!self) return result;
    auto get =
        reinterpret_cast<TestComponentCountsFunction>(find_symbol(self, "test_component_counts"));
    if (get) get(&result);
    unload_library(self);
    return result;
}

TEST(XpcomModule, LoadsRegistersAndCreatesByContractId) {
    xpcom_runtime::TestBrowser browser;
    std::string error;
    ASSERT_EQ(browser.load_component(TEST_COMPONENT_PATH, &error), NS_OK) << error;
    EXPECT_EQ(counts().loads, 1);

    nsresult rv = NS_ERROR_FAILURE;
    nsCOMPtr<nsIRunnable> probe = browser.create<nsIRunnable>(TEST_PROBE_CONTRACTID, &rv);
    ASSERT_EQ(rv, NS_OK);
    ASSERT_TRUE(probe);
    // Posted to the main thread from another thread: it runs there and makes a variant
    // through the browser's manager, all bound at load time.
    std::thread poster([&] { NS_DispatchToMainThread(probe); });
    poster.join();
    ASSERT_TRUE(browser.run_until([] { return counts().runs_on_main == 1; }, 5s));
    EXPECT_EQ(counts().runs_elsewhere, 0);
    probe = nullptr;
}

TEST(XpcomModule, RefusesWhatItCannotUse) {
    xpcom_runtime::TestBrowser browser;
    ASSERT_EQ(browser.load_component(TEST_COMPONENT_PATH), NS_OK);
    nsresult rv = NS_OK;
    EXPECT_FALSE(browser.create<nsIRunnable>("@velmor.test/none;1", &rv));
    EXPECT_EQ(rv, NS_ERROR_FACTORY_NOT_REGISTERED);
    // Rows for the content process do not apply in the browser's main process.
    EXPECT_FALSE(browser.create<nsIRunnable>(TEST_CONTENT_ONLY_CONTRACTID, &rv));
    EXPECT_EQ(rv, NS_ERROR_FACTORY_NOT_REGISTERED);
    // An interface the class lacks leaves no object behind (ASan checks the leak).
    EXPECT_FALSE(browser.create<nsIModule>(TEST_PROBE_CONTRACTID, &rv));
    EXPECT_EQ(rv, NS_ERROR_NO_INTERFACE);

    nsCOMPtr<nsIComponentManager> manager;
    ASSERT_EQ(NS_GetComponentManager(getter_AddRefs(manager)), NS_OK);
    nsCOMPtr<nsISupports> outer = browser.create<nsISupports>(NS_VARIANT_CONTRACTID);
    void* result = &rv;
    EXPECT_EQ(manager->CreateInstanceByContractID(TEST_PROBE_CONTRACTID, outer,
                                                  NS_GET_IID(nsIRunnable), &result),
              NS_ERROR_NO_AGGREGATION);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(manager->CreateInstanceByContractID(nullptr, nullptr, NS_GET_IID(nsISupports),
                                                  &result),
              NS_ERROR_NULL_POINTER);
}

TEST(XpcomModule, RefusesLibrariesThatAreNoFittingComponent) {
    std::string error;
    {
        xpcom_runtime::TestBrowser browser(TEST_MODULE_VERSION + 1);
        EXPECT_EQ(browser.load_component(TEST_COMPONENT_PATH, &error), NS_ERROR_FAILURE);
        EXPECT_NE(error.find("module version 31"), std::string::npos) << error;
        EXPECT_FALSE(browser.create<nsIRunnable>(TEST_PROBE_CONTRACTID));
    }
    xpcom_runtime::TestBrowser browser;
    EXPECT_EQ(browser.load_component(EMPTY_LIBRARY_PATH, &error), NS_ERROR_FAILURE);
    EXPECT_NE(error.find("NSModule"), std::string::npos) << error;
    EXPECT_EQ(browser.load_component("/nonexistent/component" VELMOR_LIBRARY_SUFFIX, &error),
              NS_ERROR_FAILURE);
    EXPECT_FALSE(error.empty());
}

TEST(XpcomModule, UnloadHookRunsAtShutdown) {
    void* keep = nullptr;  // keeps the library loaded past shutdown, to read its counters
    int unloads_before = 0;
    {
        xpcom_runtime::TestBrowser browser;
        ASSERT_EQ(browser.load_component(TEST_COMPONENT_PATH), NS_OK);
        unloads_before = counts().unloads;
        keep = hold_loaded_library(TEST_COMPONENT_PATH);
        ASSERT_NE(keep, nullptr);
    }
    EXPECT_EQ(counts().unloads, unloads_before + 1);
    unload_library(keep);
}

TEST(XpcomModule, OlderEntryHandsOutAGenericModuleWithOneReference) {
    xpcom_runtime::TestBrowser browser;
    void* library = load_library(TEST_COMPONENT_PATH);
    ASSERT_NE(library, nullptr) << velmor_test::last_library_error();
    auto get_module = reinterpret_cast<nsGetModuleProc>(find_symbol(library, "NSGetModule"));
    ASSERT_NE(get_module, nullptr);
    nsIModule* module = nullptr;
    ASSERT_EQ(get_module(nullptr, nullptr, &module), NS_OK);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->AddRef(), 2u);
    EXPECT_EQ(module->Release(), 1u);

    const nsCID probe_cid = TEST_PROBE_CID;
    nsCOMPtr<nsIFactory> factory;
    ASSERT_EQ(module->GetClassObject(nullptr, probe_cid, NS_GET_IID(nsIFactory),
                                     getter_AddRefs(factory)),
              NS_OK);
    nsCOMPtr<nsIRunnable> probe;
    EXPECT_EQ(factory->CreateInstance(nullptr, NS_GET_IID(nsIRunnable), getter_AddRefs(probe)),
              NS_OK);
    EXPECT_TRUE(probe);
    const nsCID content_cid = TEST_CONTENT_ONLY_CID;
    nsCOMPtr<nsIFactory> none;
    EXPECT_EQ(module->GetClassObject(nullptr, content_cid, NS_GET_IID(nsIFactory),
                                     getter_AddRefs(none)),
              NS_ERROR_FACTORY_NOT_REGISTERED);
    bool can_unload = true;
    EXPECT_EQ(module->CanUnload(nullptr, &can_unload), NS_OK);
    EXPECT_FALSE(can_unload);
    probe = nullptr;
    factory = nullptr;
    EXPECT_EQ(module->Release(), 0u);
    unload_library(library);
}

}  // namespace

#pragma once
// A test browser with the component loaded, a page, and the service the page creates first.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "nsCOMPtr.h"
#include "service_interfaces.h"
#include "test_page.h"
#include "xpcom_runtime/test_browser.h"

namespace velmor_test {

constexpr std::chrono::milliseconds kDeadline{5000};
extern const char kServiceContract[];

class ComponentFixture : public ::testing::Test {
protected:
    // The component to load: by default the one built beside the add-in.
    virtual std::string componentPath() const;

    void SetUp() override;
    void TearDown() override;

    // A new service by contract ID, given the page by Init2.
    nsCOMPtr<IAddInServiceEx4> newService(TestPage* page);
    // LoadAddIn with an empty name, then the first site of `objectName`.
    nsCOMPtr<IAddInSiteExt> loadAndCreate(IAddInServiceEx4* service, const char16_t* objectName);
    // Runs the main thread until `done`, failing with `what` at the deadline.
    bool runUntil(const std::function<bool()>& done, const char* what,
                  std::chrono::milliseconds timeout = kDeadline);

    std::unique_ptr<xpcom_runtime::TestBrowser> m_browser;
    nsCOMPtr<TestPage> m_page;
};

}  // namespace velmor_test

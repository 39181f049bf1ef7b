#pragma once
// A page's service with the first Scandor site, and its IInnerListener as the adapter drives
// it: the fixture of the tests that call the site as the add-in would.

#include <functional>
#include <thread>

#include "component_fixture.h"
#include "site_interfaces.h"

namespace velmor_test {

class SiteFixture : public ComponentFixture {
protected:
    void SetUp() override {
        ComponentFixture::SetUp();
        m_service = newService(m_page);
        ASSERT_TRUE(m_service);
        m_site = loadAndCreate(m_service, u"Scandor");
        ASSERT_TRUE(m_site);
        m_inner = do_QueryInterface(m_site.get());
        ASSERT_TRUE(m_inner);
        m_page->clear();
    }
    void TearDown() override {
        m_inner = nullptr;
        m_site = nullptr;
        m_service = nullptr;
        ComponentFixture::TearDown();
    }
    // Runs `work` on a thread of its own (as the add-in's reader thread would) and waits.
    static void offMainThread(const std::function<void()>& work) { std::thread(work).join(); }

    nsCOMPtr<IAddInServiceEx4> m_service;
    nsCOMPtr<IAddInSiteExt> m_site;
    nsCOMPtr<IInnerListener> m_inner;
};

}  // namespace velmor_test

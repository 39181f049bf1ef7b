#include "component_fixture.h"

namespace velmor_test {

const char kServiceContract[] = "@velmor.net/Quillon;1";

std::string ComponentFixture::componentPath() const { return VELMOR_FIREFOX_COMPONENT; }

void ComponentFixture::SetUp() {
    m_browser = std::make_unique<xpcom_runtime::TestBrowser>();
    std::string error;
    ASSERT_EQ(NS_OK, m_browser->load_component(componentPath(), &error)) << error;
    m_page = new TestPage();
}

void ComponentFixture::TearDown() {
    m_page = nullptr;
    m_browser.reset();
}

nsCOMPtr<IAddInServiceEx4> ComponentFixture::newService(TestPage* page) {
    nsresult rv = NS_OK;
    nsCOMPtr<IAddInServiceEx4> service = m_browser->create<IAddInServiceEx4>(kServiceContract, &rv);
    EXPECT_EQ(NS_OK, rv);
    if (service && page != nullptr) {
        EXPECT_EQ(NS_OK, service->Init2(page));
    }
    return service;
}

nsCOMPtr<IAddInSiteExt> ComponentFixture::loadAndCreate(IAddInServiceEx4* service,
                                                        const char16_t* objectName) {
    nsCOMPtr<IAddInSiteExt> site;
    bool loaded = false;
    EXPECT_EQ(NS_OK, service->LoadAddIn(u"", u"scanner", 0, &loaded));
    EXPECT_TRUE(loaded);
    EXPECT_EQ(NS_OK, service->CreateInstanceExt(objectName, getter_AddRefs(site)));
    return site;
}

bool ComponentFixture::runUntil(const std::function<bool()>& done, const char* what,
                                std::chrono::milliseconds timeout) {
    const bool reached = m_browser->run_until(done, timeout);
    EXPECT_TRUE(reached) << "waited " << timeout.count() << " ms for " << what;
    return reached;
}

}  // namespace velmor_test

// The service and its sites as the page and the browser see them: interface answers, the
// slots of the interfaces, loading and announcing classes, handing out sites, releasing
// them, the value-mode flags.

#include "component_fixture.h"
#include "nsIComponentManager.h"
#include "nsIRunnable.h"
#include "nsXPCOM.h"
#include "temp_folder.h"

namespace velmor_test {
namespace {

// Calls the operation in vtable slot `slot` of `object` (the platform's calling convention:
// `this` first).
template <class R, class... Args>
R call_slot(void* object, int slot, Args... args) {
    typedef R(NS_STDCALL * Operation)(void*, Args...);  // the interfaces' convention
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Operation>(table[slot])(object, args...);
}

class Service : public ComponentFixture {};

TEST_F(Service, InterfacesAnswerAsTheirPartsOfTheObject) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    nsCOMPtr<IAddInServiceEx> first = do_QueryInterface(service.get());
    nsCOMPtr<nsISupports> identity = do_QueryInterface(service.get());
    EXPECT_EQ(static_cast<void*>(first.get()), static_cast<void*>(service.get()));
    EXPECT_EQ(static_cast<void*>(identity.get()), static_cast<void*>(service.get()));

    nsCOMPtr<IAddInSiteExt> ext = loadAndCreate(service, u"Scandor");
    ASSERT_TRUE(ext);
    nsCOMPtr<IAddInSite> site = do_QueryInterface(ext.get());
    nsCOMPtr<nsISupports> siteIdentity = do_QueryInterface(ext.get());
    nsCOMPtr<IInnerListener> inner = do_QueryInterface(ext.get());
    ASSERT_TRUE(site && siteIdentity && inner);
    EXPECT_EQ(static_cast<void*>(site.get()), static_cast<void*>(siteIdentity.get()));
    EXPECT_NE(static_cast<void*>(site.get()), static_cast<void*>(ext.get()));
    EXPECT_NE(static_cast<void*>(inner.get()), static_cast<void*>(ext.get()));

    nsCOMPtr<nsIRunnable> notARunnable = do_QueryInterface(ext.get());
    EXPECT_FALSE(notARunnable);
}

TEST_F(Service, SlotsStandWhereTheBrowserLooksForThem) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    int32_t value = 0;
    EXPECT_EQ(NS_OK, call_slot<nsresult>(service.get(), 13, &value));  // GetCapabilities
    EXPECT_EQ(1, value);
    EXPECT_EQ(NS_OK, call_slot<nsresult>(service.get(), 15, &value));  // GetModeIn
    EXPECT_EQ(-1, value);

    nsCOMPtr<IAddInSiteExt> ext = loadAndCreate(service, u"Scandor");
    nsCOMPtr<IAddInSite> site = do_QueryInterface(ext.get());
    ASSERT_TRUE(site);
    EXPECT_EQ(NS_OK, call_slot<nsresult>(site.get(), 25, static_cast<ICListener*>(nullptr)));
    EXPECT_EQ(nullptr, call_slot<ICListener*>(site.get(), 26));  // IAddInSite: GetSiteEx
    EXPECT_EQ(NS_OK, call_slot<nsresult>(ext.get(), 27, static_cast<ICListener*>(m_page.get())));
    EXPECT_EQ(static_cast<ICListener*>(m_page.get()), call_slot<ICListener*>(ext.get(), 26));
    EXPECT_EQ(6, call_slot<int32_t>(ext.get(), 7, u"Speed"));  // FindProp, native-only
    EXPECT_EQ(2000u, call_slot<uint32_t>(ext.get(), 24));     // GetVersion

    nsCOMPtr<IInnerListener> inner = do_QueryInterface(ext.get());
    EXPECT_EQ(1, call_slot<int32_t>(inner.get(), 4));  // GetEventBufferDepth

    // The page's side: what the component calls in the page's tables.
    call_slot<nsresult>(static_cast<ICListener*>(m_page.get()), 9, u"s", u"e", u"d");
    call_slot<nsresult>(static_cast<ICListener*>(m_page.get()), 12, u"Name");
    nsString text;
    call_slot<nsresult, nsAString&>(static_cast<ICListenerEx*>(m_page.get()), 18, text);
    const std::vector<PageCall> calls = m_page->calls();
    ASSERT_LE(3u, calls.size());
    EXPECT_EQ("externalEvent", calls[calls.size() - 3].method);
    EXPECT_EQ("registerClassName", calls[calls.size() - 2].method);
    EXPECT_EQ("getVersion", calls[calls.size() - 1].method);
}

TEST_F(Service, LoadingAnnouncesTheClassOnceByLocation) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    bool loaded = false;
    ASSERT_EQ(NS_OK, service->LoadAddIn(u"Dev", u"one", 0, &loaded));
    EXPECT_TRUE(loaded);
    ASSERT_EQ(NS_OK, service->LoadAddIn(u"Dev", u"one", 0, &loaded));
    ASSERT_EQ(NS_OK, service->LoadAddIn(u"", u"two", 0, &loaded));
    const std::vector<PageCall> names = m_page->calls("registerClassName");
    ASSERT_EQ(2u, names.size());
    EXPECT_EQ(u"Dev.Scandor", names[0].a);
    EXPECT_EQ(u"Scandor", names[1].a);

    nsCOMPtr<IAddInSite> none;
    EXPECT_EQ(NS_ERROR_FAILURE, service->CreateInstance(u"Nobody", getter_AddRefs(none)));
    EXPECT_FALSE(none);
}

TEST_F(Service, TheProbeSiteComesFirstThenNewOnes) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    nsCOMPtr<IAddInSiteExt> first = loadAndCreate(service, u"Scandor");
    nsCOMPtr<IAddInSiteExt> second;
    ASSERT_EQ(NS_OK, service->CreateInstanceExt(u"Scandor", getter_AddRefs(second)));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(2000u, first->GetVersion());
    EXPECT_EQ(4294967295u, second->GetVersion());  // asked without its version
    nsString name;
    second->GetName(name);
    EXPECT_EQ(u"Scandor", std::u16string(name.get()));
}

// The site is found by identity, whichever interface the page hands back and whatever name
// its class was loaded under.
TEST_F(Service, ReleaseObjectFindsTheSiteByIdentity) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    bool loaded = false;
    ASSERT_EQ(NS_OK, service->LoadAddIn(u"Dev", u"one", 0, &loaded));
    nsCOMPtr<IAddInSite> probe;
    nsCOMPtr<IAddInSiteExt> fresh;
    ASSERT_EQ(NS_OK, service->CreateInstance(u"Dev.Scandor", getter_AddRefs(probe)));
    ASSERT_EQ(NS_OK, service->CreateInstanceExt(u"Dev.Scandor", getter_AddRefs(fresh)));
    nsCOMPtr<IInnerListener> freshInner = do_QueryInterface(fresh.get());

    // Each site is held by the page and by the service's record. Released by the service, a
    // site has one reference left: ours.
    EXPECT_EQ(NS_OK, service->ReleaseObject(probe));
    EXPECT_EQ(NS_OK, service->ReleaseObject(freshInner));
    freshInner = nullptr;
    probe->AddRef();
    EXPECT_EQ(1u, probe->Release());
    fresh->AddRef();
    EXPECT_EQ(1u, fresh->Release());
    EXPECT_EQ(NS_OK, service->ReleaseObject(nullptr));
    EXPECT_EQ(NS_OK, service->ReleaseObject(m_page));  // not a site
}

TEST_F(Service, OneJsonFlagForBothDirections) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    int32_t value = 0;
    service->SetModeIn(0);
    service->GetModeIn(&value);
    EXPECT_EQ(-1, value);
    service->SetModeOut(1);
    service->GetModeIn(&value);
    EXPECT_EQ(1, value);
    service->SetModeIn(0);  // changes nothing
    service->GetModeOut(&value);
    EXPECT_EQ(1, value);
    service->SetCapabilities(0);  // switches it off
    service->GetModeOut(&value);
    EXPECT_EQ(-1, value);
    service->GetCapabilities(&value);
    EXPECT_EQ(1, value);
    nsString text;
    EXPECT_EQ(NS_ERROR_NOT_IMPLEMENTED, service->GetTempFile(text));
}

TEST_F(Service, TheModuleConstructorsRefuseAggregationAndUnknownInterfaces) {
    nsCOMPtr<nsIComponentManager> manager;
    ASSERT_EQ(NS_OK, NS_GetComponentManager(getter_AddRefs(manager)));
    void* result = &result;
    EXPECT_EQ(NS_ERROR_NO_AGGREGATION,
              manager->CreateInstanceByContractID(kServiceContract, m_page.get(),
                                                  NS_GET_IID(IAddInServiceEx), &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(NS_ERROR_NO_INTERFACE,
              manager->CreateInstanceByContractID(kServiceContract, nullptr,
                                                  NS_GET_IID(nsIRunnable), &result));
    EXPECT_EQ(nullptr, result);
}

// A site connects an adapter only for a kind that this build has one for: a native add-in
// always; a COM add-in has no adapter yet (none is registered), and kind 3 none at all.
TEST_F(Service, ASiteConnectsOnlyKindsWithAnAdapter) {
    const std::u16string library = utf16(VELMOR_ADDIN_LIBRARY);
    const struct {
        AddInComponentType kind;
        bool connects;
    } cases[] = {{eAddInNative, true}, {eAddInCom, false}, {AddInComponentType(3), false},
                 {eAddInvalid, false}};
    for (const auto& c : cases) {
        nsCOMPtr<IAddInSiteExt> site = m_browser->create<IAddInSiteExt>("@velmor.net/BarCodeSite;1");
        ASSERT_TRUE(site);
        EXPECT_EQ(c.connects, site->Initialize(u"Scandor", true, c.kind, library.c_str()))
            << "kind " << c.kind;
        EXPECT_EQ(c.connects ? 2000u : 0xFFFFFFFFu, site->GetVersion()) << "kind " << c.kind;
    }
}

// Installed under its link name, the component does not find its own directory, so no
// add-in loads.
class UnderItsLinkName : public ComponentFixture {
protected:
    std::string componentPath() const override {
        m_folder.copyIn(VELMOR_ADDIN_LIBRARY, "VelmorPlovik" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
        return m_folder.copyIn(VELMOR_FIREFOX_COMPONENT,
                               "VelmorQuillonFF" VELMOR_PLATFORM "-31.0" VELMOR_LIBRARY_SUFFIX);
    }
    mutable TempFolder m_folder;
};

TEST_F(UnderItsLinkName, EveryLoadFails) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    bool loaded = false;
    EXPECT_EQ(NS_ERROR_FILE_TARGET_DOES_NOT_EXIST, service->LoadAddIn(u"", u"one", 0, &loaded));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(0u, m_page->count("registerClassName"));
}

// Installed in a folder whose name holds letters beyond ASCII (and beyond the ANSI code page on
// Windows, where only the wide form opens it), the component finds its add-in and loads it.
class InAFolderBeyondAscii : public ComponentFixture {
protected:
    std::string componentPath() const override {
        const std::string place = "Fire\xC3\xB3x \xD0\x96\xE2\x82\xAC/";
        m_folder.copyIn(VELMOR_ADDIN_LIBRARY, place + "VelmorPlovik" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
        return m_folder.copyIn(VELMOR_FIREFOX_COMPONENT,
                               place + "VelmorQuillonFF" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
    }
    mutable TempFolder m_folder;
};

TEST_F(InAFolderBeyondAscii, TheAddInBesideItLoads) {
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    nsCOMPtr<IAddInSiteExt> site = loadAndCreate(service, u"Scandor");
    ASSERT_TRUE(site);
    EXPECT_EQ(2000u, site->GetVersion());
}

}  // namespace
}  // namespace velmor_test

// The COM adapter in process with the COM add-in fixture connected: what the add-in puts in
// place of a call's list, parameter counts that no array can hold, and events that a thread
// of the add-in sends after the site has gone.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "adapter_com_win.h"
#include "addin_site.h"
#include "com_addins.h"
#include "fixture_library.h"
#include "host_exceptions.h"
#include "hostile_lists.h"
#include "object_holder.h"

namespace {

UnicodeString unicode(const std::u16string& text) {
    return UnicodeString(reinterpret_cast<const UnicodeChar*>(text.data()), text.size());
}

CNPVariant list_of(int value) {
    CNPVariant list = CJSArray();
    list.append(JsValue(value));
    return list;
}

class ComAdapterWithAddIn : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        s_registered = com_test::register_fixture();
    }
    void SetUp() override {
        ASSERT_TRUE(s_registered) << "the fixture registers itself and Wine sees it";
        library().reset();
        connectProbe();
    }
    void TearDown() override {
        endSite();
        EXPECT_EQ(0, AdapterCOM::liveObjects()) << "the adapter outlived every reference";
    }

    void connectProbe() {
        adapter = static_cast<AdapterCOM*>(create_com_adapter());
        site = new AddInSite();  // the registry owns it
        adapter->initialize(site);
        adapter->connect(unicode(u"AddIn.Probe"), UnicodeString());
        ASSERT_TRUE(adapter->isComponentLoaded());
    }
    // The site gives its adapter back and goes, as when the page releases it.
    void endSite() {
        if (adapter != nullptr) adapter->destroy();
        adapter = nullptr;
        if (site != nullptr) ObjectHolder::get().remove(site->get_id());
        site = nullptr;
    }
    static const com_test::FixtureLibrary& library() {
        return com_test::FixtureLibrary::instance();
    }

    AdapterCOM* adapter = nullptr;
    AddInSite* site = nullptr;

private:
    static inline bool s_registered = false;
};

// Nothing of an array that is no list of VARIANTs is read: the call fails, and the page's
// values stay as they were.
TEST_F(ComAdapterWithAddIn, AHostileListFailsTheCallUnread) {
    for (int kind = 0; kind < fixture::kHostileListCount; ++kind) {
        CNPVariant params = list_of(kind);
        CNPVariant result;
        EXPECT_THROW(adapter->call(unicode(u"HandBack"), params, result), lib_exception)
            << "hostile list " << kind;
        EXPECT_EQ(list_of(kind), params) << "hostile list " << kind;
        EXPECT_EQ(0, library().counters().tripwireReleases) << "hostile list " << kind;
    }
}

TEST_F(ComAdapterWithAddIn, AParameterCountBeyondAnyArrayFailsTheCall) {
    for (const char16_t* method : {u"ManyParams", u"MostParams"}) {
        CNPVariant params = list_of(1);
        CNPVariant result;
        EXPECT_THROW(adapter->call(unicode(method), params, result), lib_exception);
        EXPECT_EQ(list_of(1), params);
        EXPECT_EQ(std::wstring::npos, library().journal().find(L"called"))
            << "the add-in was called";
    }
}

// A thread of the add-in that outlives Done, whether Done succeeds or fails, reaches no site
// once the site has gone; the adapter ends with the thread's last reference.
TEST_F(ComAdapterWithAddIn, EventsAfterTheSiteHasGoneReachNothing) {
    for (int fails : {0, 1}) {
        if (adapter == nullptr) connectProbe();
        CNPVariant params = list_of(fails);
        CNPVariant result;
        adapter->call(unicode(u"OutliveDone"), params, result);
        endSite();
        EXPECT_EQ(0, library().sendLateEvents(3)) << "Done failing: " << fails;
        EXPECT_EQ(0, AdapterCOM::liveObjects()) << "Done failing: " << fails;
    }
}

}  // namespace

// The whole road of a scan: the page creates the service, loads the add-in, creates a site,
// sets the port to a simulated scanner and claims it; a code written into the pty reaches the
// page's externalEvent on the main thread through the delivery queue and its timer. Also two
// services at once, one destroyed while its add-in is reading.

#include <thread>

#include "component_fixture.h"
#include "test_scanner.h"

namespace velmor_test {
namespace {

class ScanRoad : public ComponentFixture {
protected:
    // A claimed site of the Scandor add-in on `scanner`, with its event texts set.
    nsCOMPtr<IAddInSiteExt> claimedSite(IAddInServiceEx4* service, TestScanner& scanner,
                                        const std::u16string& eventName) {
        nsCOMPtr<IAddInSiteExt> site = loadAndCreate(service, u"Scandor");
        if (!site) return site;
        EXPECT_EQ(NS_OK, site->SetPropertyValue(u"Port", string_variant(scanner.path16())));
        EXPECT_EQ(NS_OK, site->SetPropertyValue(u"EventName", string_variant(eventName)));
        EXPECT_EQ(NS_OK, site->SetPropertyValue(u"EventDescription", string_variant(u"Code read")));
        nsCOMPtr<nsIVariant> result;
        EXPECT_EQ(NS_OK, site->Call(u"Claim", nullptr, getter_AddRefs(result)));
        nsCOMPtr<nsIVariant> claimed;
        EXPECT_EQ(NS_OK, site->GetPropertyValue(u"Claimed", getter_AddRefs(claimed)));
        bool isClaimed = false;
        if (claimed) claimed->GetAsBool(&isClaimed);
        EXPECT_TRUE(isClaimed) << "the add-in did not open " << scanner.path();
        return site;
    }
};

TEST_F(ScanRoad, ACodeReachesThePageOnTheMainThread) {
    TestScanner scanner;
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    ASSERT_TRUE(service);
    nsCOMPtr<IAddInSiteExt> site = claimedSite(service, scanner, u"ScanEvt");
    ASSERT_TRUE(site);
    ASSERT_EQ(1u, m_page->count("registerClassName"));
    EXPECT_EQ(u"Scandor", m_page->calls("registerClassName")[0].a);

    scanner.send("4600000000011\r");
    ASSERT_TRUE(runUntil([&] { return m_page->count("externalEvent") == 1; }, "the scan"));
    const PageCall event = m_page->calls("externalEvent")[0];
    EXPECT_EQ(u"ScanEvt", event.a);
    EXPECT_EQ(u"Code read", event.b);
    EXPECT_EQ(u"4600000000011", event.c);
    EXPECT_TRUE(event.onMainThread);

    // The same event also waits in the site's buffer (depth 1), for a page that polls.
    nsCOMPtr<ICEventData> buffered;
    ASSERT_EQ(NS_OK, site->GetEventData(getter_AddRefs(buffered)));
    ASSERT_TRUE(buffered);
    nsString data;
    buffered->GetData(data);
    EXPECT_EQ(u"4600000000011", std::u16string(data.get()));

    nsCOMPtr<nsIVariant> result;
    EXPECT_EQ(NS_OK, site->Call(u"Close", nullptr, getter_AddRefs(result)));
}

TEST_F(ScanRoad, CodesWithinOnePeriodArriveInOrder) {
    TestScanner scanner;
    nsCOMPtr<IAddInServiceEx4> service = newService(m_page);
    nsCOMPtr<IAddInSiteExt> site = claimedSite(service, scanner, u"E");
    ASSERT_TRUE(site);
    scanner.send("A1\rB2\nC3\r");
    ASSERT_TRUE(runUntil([&] { return m_page->count("externalEvent") == 3; }, "three codes"));
    const std::vector<PageCall> events = m_page->calls("externalEvent");
    EXPECT_EQ(u"A1", events[0].c);
    EXPECT_EQ(u"B2", events[1].c);
    EXPECT_EQ(u"C3", events[2].c);
}

// Two services share the queue and the timer: destroying one while its add-in reads leaves
// the other receiving every code (and, under ASan, touching nothing freed).
TEST_F(ScanRoad, TheOtherServiceKeepsReceivingWhenOneGoes) {
    if (kTestScanners < 2) GTEST_SKIP() << "this platform's tests have one scanner line";
    TestScanner first, second;
    nsCOMPtr<TestPage> otherPage = new TestPage();
    // The first service armed the shared timer; it is the one that goes.
    nsCOMPtr<IAddInServiceEx4> dropped = newService(otherPage);
    nsCOMPtr<IAddInServiceEx4> kept = newService(m_page);
    nsCOMPtr<IAddInSiteExt> keptSite = claimedSite(kept, first, u"Kept");
    nsCOMPtr<IAddInSiteExt> droppedSite = claimedSite(dropped, second, u"Dropped");
    ASSERT_TRUE(keptSite && droppedSite);

    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        for (int i = 0; i < 200 && !stop; ++i) second.send("X" + std::to_string(i) + "\r");
    });
    first.send("before\r");
    ASSERT_TRUE(runUntil([&] { return m_page->count("externalEvent") == 1; }, "the first code"));
    // Gone while the reader of the second add-in is busy.
    droppedSite = nullptr;
    dropped = nullptr;
    stop = true;
    feeder.join();

    const int kCodes = 50;
    for (int i = 0; i < kCodes; ++i) first.send("K" + std::to_string(i) + "\r");
    ASSERT_TRUE(runUntil([&] { return m_page->count("externalEvent") == 1 + kCodes; },
                         "every code of the kept service"));
    const std::vector<PageCall> events = m_page->calls("externalEvent");
    for (int i = 0; i < kCodes; ++i) EXPECT_EQ(u"K" + utf16(std::to_string(i)), events[1 + i].c);
    for (const PageCall& call : events) EXPECT_EQ(u"Kept", call.a);
}

}  // namespace
}  // namespace velmor_test

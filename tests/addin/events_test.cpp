// What the host receives with each code: source, message, data, and the event buffer depth.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "scanner_fixture.h"

namespace velmor_test {
namespace {

TEST_F(ScannerTest, EventCarriesNameDescriptionAndCode) {
    attach(PtyScanner::Mode::kCanonical);
    ASSERT_TRUE(component().setText(u"EventName", u"Сканер"));
    ASSERT_TRUE(component().setText(u"EventDescription", u"Штрихкод"));
    ASSERT_TRUE(component().call(u"Claim"));
    scanner().send("4601234567890\r");
    ASSERT_TRUE(m_host.waitForEvents(1, kDeadline));
    const RecordedEvent e = m_host.events().at(0);
    EXPECT_EQ(e.source, u"Сканер");
    EXPECT_EQ(e.message, u"Штрихкод");
    EXPECT_EQ(e.data, u"4601234567890");
}

TEST_F(ScannerTest, ShallowEventBufferIsDeepenedBeforeTheEvent) {
    const struct {
        long depth;
        int changes;
        long seen;
    } cases[] = {{0, 1, 100}, {1, 1, 100}, {99, 1, 100}, {100, 0, 100}, {250, 0, 250}};
    for (const auto& c : cases) {
        FakeHost host;
        host.setDepth(c.depth);
        Component fresh(m_library, host, m_memory);
        PtyScanner line;
        ASSERT_TRUE(fresh.setText(u"Port", line.path16()));
        ASSERT_TRUE(fresh.call(u"Claim"));
        line.send("1\n");
        ASSERT_TRUE(host.waitForEvents(1, kDeadline)) << "depth " << c.depth;
        EXPECT_EQ(host.depthChanges(), c.changes) << "depth " << c.depth;
        EXPECT_EQ(host.events().at(0).depthWhenRaised, c.seen) << "depth " << c.depth;
    }
}

TEST_F(ScannerTest, WithoutAHostCodesAreDropped) {
    IComponentBase* object = nullptr;
    m_library.getClassObject(nullptr, &object);
    PtyScanner line;
    std::vector<uint16_t> port(line.path().begin(), line.path().end());
    port.push_back(0);
    tVariant var{};
    var.vt = VTYPE_PWSTR;
    var.pwstrVal = port.data();
    ASSERT_TRUE(object->SetPropVal(5, &var));
    ASSERT_TRUE(object->CallAsProc(0, nullptr, 0));
    line.send("1\n");
    EXPECT_TRUE(line.waitUntilTaken(kDeadline));
    m_library.destroyObject(&object);
}

TEST_F(ScannerTest, RenamingWhileScanningIsSafe) {
    // The host's thread replaces the texts while the reader thread sends events with them;
    // every event must carry one whole text that was set, never a torn one.
    attach(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(component().call(u"Claim"));
    const std::u16string names[] = {u"first-name", u"second-name-longer-than-the-first"};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 200; ++i) scanner().send(std::to_string(i) + "\r");
        done = true;
    });
    int round = 0;
    while (!done) {
        component().setText(u"EventName", names[round % 2]);
        component().setText(u"EventDescription", names[(round + 1) % 2]);
        ++round;
    }
    writer.join();
    ASSERT_TRUE(m_host.waitForEvents(200, kDeadline));
    for (const RecordedEvent& e : m_host.events()) {
        EXPECT_TRUE(e.source == names[0] || e.source == names[1] || e.source == u"Scandor");
        EXPECT_TRUE(e.message == names[0] || e.message == names[1] || e.message == u"Barcode");
    }
}

TEST_F(ScannerTest, TwoComponentsEachHearOnlyTheirOwnPort) {
    FakeHost otherHost;
    Component other(m_library, otherHost, m_memory);
    PtyScanner otherLine(PtyScanner::Mode::kRaw);
    attach(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(other.setText(u"Port", otherLine.path16()));
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(other.call(u"Claim"));
    for (int i = 0; i < 20; ++i) {
        scanner().send("A" + std::to_string(i) + "\r");
        otherLine.send("B" + std::to_string(i) + "\r");
    }
    ASSERT_TRUE(m_host.waitForEvents(20, kDeadline));
    ASSERT_TRUE(otherHost.waitForEvents(20, kDeadline));
    for (int i = 0; i < 20; ++i) {
        const std::string a = "A" + std::to_string(i), b = "B" + std::to_string(i);
        EXPECT_EQ(m_host.events().at(i).data, std::u16string(a.begin(), a.end()));
        EXPECT_EQ(otherHost.events().at(i).data, std::u16string(b.begin(), b.end()));
    }
    // Closing one leaves the other reading.
    ASSERT_TRUE(component().call(u"Close"));
    otherLine.send("after\r");
    ASSERT_TRUE(otherHost.waitForEvents(21, kDeadline));
    EXPECT_EQ(m_host.events().size(), 20u);
}

}  // namespace
}  // namespace velmor_test

#pragma once
// A component connected to a fake host, with a simulated scanner on its Port.

#include <gtest/gtest.h>

#include <memory>

#include "component_fixture.h"
#include "pty_scanner.h"

namespace velmor_test {

constexpr std::chrono::milliseconds kDeadline{5000};

class ScannerTest : public ComponentFixture {
protected:
    std::unique_ptr<PtyScanner> m_scanner;

    void attach(PtyScanner::Mode mode) {
        m_scanner = std::make_unique<PtyScanner>(mode);
        ASSERT_TRUE(m_component->setText(u"Port", m_scanner->path16()));
    }

    PtyScanner& scanner() { return *m_scanner; }

    std::vector<std::u16string> codes() const {
        std::vector<std::u16string> out;
        for (const RecordedEvent& e : m_host.events()) out.push_back(e.data);
        return out;
    }

    void expectCodes(const std::vector<std::u16string>& expected) {
        ASSERT_TRUE(m_host.waitForEvents(expected.size(), kDeadline))
            << "waited for " << expected.size() << " codes, got " << m_host.events().size();
        EXPECT_EQ(codes(), expected);
    }
};

}  // namespace velmor_test

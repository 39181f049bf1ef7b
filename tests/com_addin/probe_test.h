#pragma once
// Tests with the fixture's "Probe" object connected to the tests' connection; the fixture is
// registered (and mirrored for Wine) once, its journal and counters reset for each test.

#include <gtest/gtest.h>

#include "fixture_library.h"
#include "recording_connection.h"

namespace com_test {

class ProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        s_registered = register_fixture();
    }
    void SetUp() override {
        ASSERT_TRUE(s_registered) << "the fixture registers itself and Wine sees it";
        library().reset();
        m_outcome = m_connection.connect(L"AddIn.Probe");
        ASSERT_TRUE(m_connection.addIn().loaded()) << std::hex << m_outcome.created;
    }
    void TearDown() override { m_connection.addIn().disconnect(); }

    static const FixtureLibrary& library() { return FixtureLibrary::instance(); }

    RecordingConnection m_connection;
    com_addin::ConnectOutcome m_outcome;

private:
    static inline bool s_registered = false;
};

}  // namespace com_test

#pragma once
// A component made by the library under test and connected to a fake host.

#include <gtest/gtest.h>

#include <memory>

#include "fake_host.h"

namespace velmor_test {

class ComponentFixture : public ::testing::Test {
protected:
    AddInLibrary m_library{addin_path()};
    FakeHost m_host;
    FakeMemoryManager m_memory;
    std::unique_ptr<Component> m_component;

    void SetUp() override {
        ASSERT_EQ(m_library.error(), "");
        m_component = std::make_unique<Component>(m_library, m_host, m_memory);
    }
    Component& component() { return *m_component; }
};

}  // namespace velmor_test

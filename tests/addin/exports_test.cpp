// The library's entry points, used exactly as a host uses them.

#include <gtest/gtest.h>

#include "fake_host.h"

namespace velmor_test {
namespace {

class ExportsTest : public ::testing::Test {
protected:
    AddInLibrary m_library{addin_path()};
    void SetUp() override { ASSERT_EQ(m_library.error(), ""); }
};

TEST_F(ExportsTest, ClassNamesHoldTheOneClass) {
    EXPECT_EQ(from_interface(m_library.getClassNames()), u"Scandor");
}

TEST_F(ExportsTest, OffersNoPlatformCapabilitiesEntry) {
    EXPECT_EQ(m_library.symbol("SetPlatformCapabilities"), nullptr);
}

TEST_F(ExportsTest, AnyClassNameCreatesAComponent) {
    const uint16_t other[] = {'N', 'o', 'p', 'e', 0};
    for (const uint16_t* name : {static_cast<const uint16_t*>(nullptr), other,
                                 m_library.getClassNames()}) {
        IComponentBase* object = nullptr;
        EXPECT_NE(m_library.getClassObject(name, &object), 0);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetInfo(), 2000);
        EXPECT_EQ(m_library.destroyObject(&object), 0);
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(ExportsTest, AnOccupiedPointerIsLeftAlone) {
    IComponentBase* object = nullptr;
    ASSERT_NE(m_library.getClassObject(nullptr, &object), 0);
    IComponentBase* const first = object;
    EXPECT_EQ(m_library.getClassObject(nullptr, &object), 0);
    EXPECT_EQ(object, first);
    m_library.destroyObject(&object);
}

TEST_F(ExportsTest, DestroyingNothingFails) {
    IComponentBase* object = nullptr;
    EXPECT_EQ(m_library.destroyObject(&object), -1);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ExportsTest, InterfacePartsFollowEachOtherAtPointerWidth) {
    // Hosts reach the second and third interface parts by pointer arithmetic alone.
    IComponentBase* object = nullptr;
    m_library.getClassObject(nullptr, &object);
    auto* base = reinterpret_cast<char*>(object);
    EXPECT_EQ(reinterpret_cast<char*>(static_cast<ILanguageExtenderBase*>(object)),
              base + sizeof(void*));
    EXPECT_EQ(reinterpret_cast<char*>(static_cast<LocaleBase*>(object)), base + 2 * sizeof(void*));
    auto* extender = reinterpret_cast<ILanguageExtenderBase*>(base + sizeof(void*));
    EXPECT_EQ(extender->GetNProps(), 9);
    m_library.destroyObject(&object);
}

}  // namespace
}  // namespace velmor_test

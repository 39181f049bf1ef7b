// The class names the Windows service reads from an add-in library, by kind: a native library's
// list, and a COM library's ProgIDs from its string resource 100 (read narrow, as UTF-8), with
// the configured file name when the library does not load. The COM fixture registers itself
// for the user in this test's own Wine prefix.

#include <gtest/gtest.h>

#include <vector>

#include "addin_class_names.h"

namespace {

const char kFallback[] = "VelmorPlovikWin32.dll";

std::vector<std::u16string> names_of(AddInComponentType kind, const std::string& path, bool* ok) {
    std::vector<wcstring> names;
    *ok = addin_class_names(kind, utf16_of(path), kFallback, names);
    return names;
}

TEST(ClassNames, ANativeLibraryGivesItsList) {
    bool ok = false;
    EXPECT_EQ(std::vector<std::u16string>{u"Scandor"}, names_of(eAddInNative, VELMOR_ADDIN, &ok));
    EXPECT_TRUE(ok);
    names_of(eAddInNative, "Z:\\nonexistent\\VelmorPlovikWin32.dll", &ok);
    EXPECT_FALSE(ok);
}

TEST(ClassNames, AComLibraryGivesTheProgIdsOfItsStringTable) {
    bool ok = false;
    const std::vector<std::u16string> expected{u"AddIn.Probe", u"AddIn.Plain"};
    EXPECT_EQ(expected, names_of(eAddInCom, VELMOR_COM_FIXTURE, &ok));
    EXPECT_TRUE(ok);
}

TEST(ClassNames, AComLibraryThatDoesNotLoadGivesTheConfiguredFileName) {
    bool ok = false;
    EXPECT_EQ(std::vector<std::u16string>{u"VelmorPlovikWin32.dll"},
              names_of(eAddInCom, "Z:\\nonexistent\\VelmorPlovikWin32.dll", &ok));
    EXPECT_TRUE(ok);  // the sites then fail to connect
}

TEST(ClassNames, OtherKindsAreNotServed) {
    bool ok = true;
    EXPECT_TRUE(names_of(AddInComponentType(3), VELMOR_ADDIN, &ok).empty());
    EXPECT_FALSE(ok);
}

}  // namespace

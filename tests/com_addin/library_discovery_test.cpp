// Discovering a COM add-in library's classes: splitting the class list into ProgIDs, and the
// fixture's self-registration and string 100 as a loader reads them.

#include <gtest/gtest.h>

#include "fixture_library.h"
#include "library_discovery.h"
#include "planted_folder.h"

namespace {

using com_addin::ClassListRead;
using com_addin::EmptyClassNames;
using com_addin::LibraryClasses;
using com_test::FixtureLibrary;

struct SplitCase {
    const wchar_t* text;
    bool loaded;
    EmptyClassNames empty;
    std::vector<std::wstring> progIds;
};

const wchar_t kFallback[] = L"C:\\addins\\lib.dll";

const SplitCase kSplitCases[] = {
    {L"A|B", true, EmptyClassNames::eKeep, {L"AddIn.A", L"AddIn.B"}},
    {L"A|B", true, EmptyClassNames::eSkip, {L"AddIn.A", L"AddIn.B"}},
    {L"A||B", true, EmptyClassNames::eKeep, {L"AddIn.A", L"AddIn.", L"AddIn.B"}},
    {L"A||B", true, EmptyClassNames::eSkip, {L"AddIn.A", L"AddIn.B"}},
    {L"A|", true, EmptyClassNames::eKeep, {L"AddIn.A", L"AddIn."}},
    {L"A|", true, EmptyClassNames::eSkip, {L"AddIn.A"}},
    {L"|", true, EmptyClassNames::eSkip, {}},
    // A library without string 100: the fallback, prefixed because the library loaded.
    {L"", true, EmptyClassNames::eKeep, {std::wstring(L"AddIn.") + kFallback}},
    // A library that did not load: the fallback unchanged.
    {L"", false, EmptyClassNames::eSkip, {kFallback}},
};

TEST(ComClassList, SplitsIntoProgIds) {
    for (const SplitCase& c : kSplitCases) {
        LibraryClasses classes;
        classes.loaded = c.loaded;
        classes.text = c.text;
        EXPECT_EQ(com_addin::class_progids(classes, kFallback, c.empty), c.progIds)
            << "list \"" << std::wstring(c.text).size() << "\" units, loaded " << c.loaded;
    }
}

class ComLibraryDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library().loaded()) << "the fixture library beside the test program";
        library().reset();
    }
    void TearDown() override { SetEnvironmentVariableW(L"COM_FIXTURE_REFUSE_DLLINSTALL", nullptr); }
    static const FixtureLibrary& library() { return FixtureLibrary::instance(); }
};

TEST_F(ComLibraryDiscovery, InstallsPerUserAndReadsTheClassList) {
    for (ClassListRead read : {ClassListRead::eWide, ClassListRead::eNarrowUtf8}) {
        library().reset();
        const LibraryClasses classes = com_addin::read_library_classes(library().path(), read);
        EXPECT_TRUE(classes.loaded);
        EXPECT_EQ(classes.text, L"Probe|Plain");
        EXPECT_EQ(library().counters().installCalls, 1);
        EXPECT_EQ(library().counters().registerServerCalls, 0) << "DllInstall answered 0";
        EXPECT_EQ(com_addin::class_progids(classes, library().path(), EmptyClassNames::eKeep),
                  (std::vector<std::wstring>{L"AddIn.Probe", L"AddIn.Plain"}));
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\AddIn.Probe\\CLSID", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS)
        << "the registration is per user";
    RegCloseKey(key);
}

TEST_F(ComLibraryDiscovery, RegistersThroughDllRegisterServerWhenDllInstallRefuses) {
    SetEnvironmentVariableW(L"COM_FIXTURE_REFUSE_DLLINSTALL", L"1");
    const LibraryClasses classes =
        com_addin::read_library_classes(library().path(), ClassListRead::eWide);
    EXPECT_TRUE(classes.loaded);
    EXPECT_EQ(library().counters().installCalls, 1);
    EXPECT_EQ(library().counters().registerServerCalls, 1);
}

TEST_F(ComLibraryDiscovery, LibraryThatDoesNotLoadLeavesTheFallback) {
    const std::wstring path = L"Z:\\no\\such\\folder\\Missing.dll";
    const LibraryClasses classes = com_addin::read_library_classes(path, ClassListRead::eWide);
    EXPECT_FALSE(classes.loaded);
    EXPECT_TRUE(classes.text.empty());
    EXPECT_EQ(com_addin::class_progids(classes, path, EmptyClassNames::eKeep),
              std::vector<std::wstring>{path});
    EXPECT_EQ(library().counters().installCalls, 0);
}

TEST_F(ComLibraryDiscovery, RegisteredProgIdIsRecognised) {
    ASSERT_TRUE(com_test::register_fixture());
    EXPECT_TRUE(com_addin::is_registered_progid(L"AddIn.Probe"));
    EXPECT_TRUE(com_addin::is_registered_progid(L"AddIn.Plain"));
    EXPECT_TRUE(com_addin::is_registered_progid(L"AddIn.Bare")) << "registered, not listed";
    EXPECT_FALSE(com_addin::is_registered_progid(L"AddIn.Nothing"));
    EXPECT_FALSE(com_addin::is_registered_progid(library().path()));
}

// A page's location that is a registered ProgID is read from no library: one planted in the
// current folder under its name, bare and with ".dll", is never loaded or registered. Any
// other location reaches the bridge's own library.
TEST_F(ComLibraryDiscovery, ARegisteredProgIdAsTheLocationLoadsNoLibrary) {
    ASSERT_TRUE(com_test::register_fixture());
    library().reset();
    com_test::PlantedFolder folder(com_test::planted_library_beside_program(),
                                   {L"AddIn.Probe", L"AddIn.Probe.dll"});
    ASSERT_TRUE(folder.ready()) << "cannot plant the library";
    std::wstring source;
    const LibraryClasses classes = com_addin::location_classes(
        L"AddIn.Probe", library().path(), ClassListRead::eWide, &source);
    EXPECT_EQ(folder.ran(), "") << "the planted library was loaded";
    EXPECT_FALSE(classes.loaded);
    EXPECT_EQ(source, L"AddIn.Probe");
    EXPECT_EQ(com_addin::class_progids(classes, source, EmptyClassNames::eKeep),
              std::vector<std::wstring>{L"AddIn.Probe"});
    EXPECT_EQ(library().counters().installCalls, 0);

    const LibraryClasses own = com_addin::location_classes(
        L"AddIn.Nothing", library().path(), ClassListRead::eWide, &source);
    EXPECT_TRUE(own.loaded);
    EXPECT_EQ(source, library().path());
    EXPECT_EQ(own.text, L"Probe|Plain");
}

}  // namespace

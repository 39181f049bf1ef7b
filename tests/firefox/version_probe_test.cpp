// The version probe, as a browser would run it: the component reads the "application.ini"
// beside the program that loads it. Each case copies a stand-in program into a folder of its
// own with its own "application.ini" and runs it there.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "probe_program.h"

namespace velmor_test {
namespace {

struct ProbeCase {
    const char* name;
    const char* ini;  // null: no application.ini beside the program
    unsigned version;
};

const ProbeCase kCases[] = {
    {"three parts", "[App]\nVersion=31.0.1\n", 31},
    {"four", "Version=4.0\n", 1},
    {"five with a beta", "Version=5.0b3\n", 2},
    {"three six", "Version=3.6\n", 3},
    {"no dot after it", "Name=Firefox\nVersion=31\n", 6},
    {"nothing before the dot", "Version=.5\n", 6},
    {"no digit before the dot", "Version=x.1\n", 0},
    {"first match inside another key", "MinVersion=24.0\nVersion=31.0\n", 24},
    {"no version record", "[App]\nName=Firefox\n", 6},
    {"empty file", "", 6},
    {"no application.ini", nullptr, 31},
};

class VersionProbe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(VersionProbe, SetsTheModuleVersionFromTheFileBesideTheProgram) {
    const ProbeCase& c = GetParam();
    TempFolder folder;
    const std::string program = install_probe(folder, "firefox");
    ASSERT_FALSE(program.empty());
    if (c.ini != nullptr) {
        ASSERT_TRUE(folder.write("application.ini", c.ini));
    }
    EXPECT_EQ(probe_line(c.version), run_probe(program)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionProbe, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProbeCase>& param) {
                             std::string name;
                             for (const char* p = param.param.name; *p; ++p) {
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             }
                             return name;
                         });

// A program path longer than the probe's 1024-byte buffer is never read past it. On Linux the
// probe stops there, and the module keeps its built version; on Windows the module name is
// read whole, and the version comes from the file.
TEST(VersionProbeLongPath, AProgramPathBeyondTheBufferIsNotReadPastIt) {
    if (!VELMOR_STARTS_LONG_PROGRAM_PATHS) {
        GTEST_SKIP() << "CreateProcess under Wine takes no program path beyond MAX_PATH: the "
                        "host starts this one (firefox.windows_probe_*)";
    }
    TempFolder folder;
    std::string deep;
    for (int i = 0; i < 6; ++i) deep += std::string(200, static_cast<char>('a' + i)) + "/";
    const std::string program = install_probe(folder, deep + "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_GT(program.size(), 1024u);
    ASSERT_TRUE(folder.write(deep + "application.ini", "Version=44.0\n"));
    EXPECT_EQ(probe_line(VELMOR_LONG_PROGRAM_PATH_VERSION), run_probe(program));
}

// A folder path longer than a classic Windows one (beyond the 256 characters of _MAX_DIR), in a
// program path that fits the buffer, still gives the version.
TEST(VersionProbeLongPath, AFolderLongerThanAClassicWindowsFolderStillGivesTheVersion) {
    if (!VELMOR_STARTS_LONG_PROGRAM_PATHS) {
        GTEST_SKIP() << "CreateProcess under Wine takes no program path beyond MAX_PATH: the "
                        "host starts this one (firefox.windows_probe_*)";
    }
    TempFolder folder;
    const std::string deep = std::string(150, 'f') + "/" + std::string(150, 'g') + "/";
    const std::string program = install_probe(folder, deep + "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_LT(program.size(), 1000u);
    ASSERT_TRUE(folder.write(deep + "application.ini", "Version=45.0\n"));
    EXPECT_EQ(probe_line(45), run_probe(program));
}

// A browser installed under a folder whose name holds letters beyond ASCII (of the ANSI code
// page on Windows) still gets its version.
TEST(VersionProbeFolders, AFolderWithLettersBeyondAsciiStillGivesTheVersion) {
    TempFolder folder;
    const std::string place = "Mozilla Fire\xC3\xB3x \xC3\xA9t\xC3\xA9/";
    const std::string program = install_probe(folder, place + "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(folder.write(place + "application.ini", "Version=38.0\n"));
    EXPECT_EQ(probe_line(38), run_probe(program));
}

}  // namespace
}  // namespace velmor_test

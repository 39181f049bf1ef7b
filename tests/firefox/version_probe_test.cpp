// The version probe, as a browser would run it: the component reads the "application.ini"
// beside the program that loads it. Each case copies a stand-in program into a folder of its
// own with its own "application.ini" and runs it there.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "program_output.h"
#include "temp_folder.h"

namespace velmor_test {
namespace {

struct ProbeCase {
    const char* name;
    const char* ini;  // null: no application.ini beside the program
    unsigned version;
};

// Runs the stand-in program at `program` and returns what it printed.
std::string run(const std::string& program) {
    return program_output(program, VELMOR_FIREFOX_COMPONENT);
}

// The stand-in program copied to `name` in `folder`, with what it needs beside it (on Windows
// the browser's XPCOM library, which it imports); "" on failure.
std::string install_program(const TempFolder& folder, const std::string& name) {
    const std::string program = folder.copyIn(VELMOR_PROBE_PROGRAM, name + VELMOR_PROGRAM_SUFFIX);
    const std::string directory = name.find('/') != std::string::npos
                                      ? name.substr(0, name.rfind('/') + 1)
                                      : std::string();
    if (std::strlen(VELMOR_RUNTIME_BESIDE) > 0 &&
        folder.copyIn(VELMOR_RUNTIME_BESIDE, directory + VELMOR_RUNTIME_BESIDE_NAME).empty()) {
        return std::string();
    }
    return program;
}

std::string expected_line(unsigned version) {
    return "version=" + std::to_string(version) + " loaded=00000000 service=00000000 module_refs=1\n";
}

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
    const std::string program = install_program(folder, "firefox");
    ASSERT_FALSE(program.empty());
    if (c.ini != nullptr) {
        ASSERT_TRUE(folder.write("application.ini", c.ini));
    }
    EXPECT_EQ(expected_line(c.version), run(program)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionProbe, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProbeCase>& param) {
                             std::string name;
                             for (const char* p = param.param.name; *p; ++p) {
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             }
                             return name;
                         });

// A program path longer than the probe's buffer is not read past it: the probe stops, and the
// module keeps its built version.
TEST(VersionProbeLongPath, AProgramPathBeyondTheBufferKeepsTheBuiltVersion) {
    // Windows builds read such a path whole instead (the probe's buffer grows); Wine cannot
    // start a program from a path this long, so that is not run there.
    if (!VELMOR_LONG_PROGRAM_PATHS) GTEST_SKIP() << "no program starts from a path this long here";
    TempFolder folder;
    std::string deep;
    for (int i = 0; i < 6; ++i) deep += std::string(200, static_cast<char>('a' + i)) + "/";
    const std::string program = install_program(folder, deep + "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_GT(program.size(), 1024u);
    ASSERT_TRUE(folder.write(deep + "application.ini", "Version=44.0\n"));
    EXPECT_EQ(expected_line(31), run(program));
}

// A browser installed under a folder whose name holds letters beyond ASCII (of the ANSI code
// page on Windows) still gets its version.
TEST(VersionProbeFolders, AFolderWithLettersBeyondAsciiStillGivesTheVersion) {
    TempFolder folder;
    const std::string place = "Mozilla Fire\xC3\xB3x \xC3\xA9t\xC3\xA9/";
    const std::string program = install_program(folder, place + "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(folder.write(place + "application.ini", "Version=38.0\n"));
    EXPECT_EQ(expected_line(38), run(program));
}

}  // namespace
}  // namespace velmor_test

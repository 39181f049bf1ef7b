// The version probe, as a browser would run it: the component reads the "application.ini"
// beside the program that loads it. Each case copies a stand-in program into a folder of its
// own with its own "application.ini" and runs it there.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>

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
    const std::string command = "'" + program + "' '" VELMOR_FIREFOX_COMPONENT "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return "cannot run " + program;
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
    return output;
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
    const std::string program = folder.copyIn(VELMOR_PROBE_PROGRAM, "firefox");
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
    TempFolder folder;
    std::string deep;
    for (int i = 0; i < 6; ++i) deep += std::string(200, static_cast<char>('a' + i)) + "/";
    const std::string program = folder.copyIn(VELMOR_PROBE_PROGRAM, deep + "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_GT(program.size(), 1024u);
    ASSERT_TRUE(folder.write(deep + "application.ini", "Version=44.0\n"));
    EXPECT_EQ(expected_line(31), run(program));
}

}  // namespace
}  // namespace velmor_test

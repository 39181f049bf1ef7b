// The version probe on odd installations: an "application.ini" that opens but is no file to
// read. The browser is loading the component meanwhile, so the probe must neither wait nor
// fail: each gives the version of a file without one (6).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "probe_program.h"

namespace velmor_test {
namespace {

struct OddFile {
    const char* name;
    // Makes the odd "application.ini" at `path`; false on failure.
    bool (*make)(const std::string& path);
};

bool make_directory(const std::string& path) { return std::filesystem::create_directory(path); }

// No writer ever opens it: a probe that waits for one never returns.
bool make_fifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

// A regular file whose every read fails (EIO at offset 0), even for root.
bool make_read_error(const std::string& path) {
    return ::symlink("/proc/self/mem", path.c_str()) == 0;
}

// Sparse: a length no probe can hold, though the version lies at its start.
bool make_huge_file(const std::string& path) {
    {
        std::ofstream file(path);
        file << "Version=44.0\n";
        if (!file) return false;
    }
    std::error_code error;
    std::filesystem::resize_file(path, 1ull << 40, error);
    return !error;
}

const OddFile kOddFiles[] = {
    {"Directory", make_directory},
    {"FifoWithoutWriter", make_fifo},
    {"ReadError", make_read_error},
    {"LongerThanAnyMemory", make_huge_file},
};

class VersionProbeOddFile : public ::testing::TestWithParam<OddFile> {};

TEST_P(VersionProbeOddFile, GivesTheDefaultVersionWithoutWaitingOrFailing) {
    TempFolder folder;
    const std::string program = install_probe(folder, "firefox");
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(GetParam().make(folder.path() + "/application.ini"));
    EXPECT_EQ(probe_line(6), run_probe(program));
}

INSTANTIATE_TEST_SUITE_P(Files, VersionProbeOddFile, ::testing::ValuesIn(kOddFiles),
                         [](const ::testing::TestParamInfo<OddFile>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace velmor_test

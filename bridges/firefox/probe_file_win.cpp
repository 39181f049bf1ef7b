#include "probe_file.h"

#include <cstdio>
#include <new>

namespace {

const size_t kChunk = 4096;

// Text mode, as the probe has always read the file.
FILE* open_for_reading(const std::string& path) { return std::fopen(path.c_str(), "r"); }

// What the file holds, read until its end rather than by the length that seeking reports.
bool read_to_end(FILE* file, std::string& text) {
    char chunk[kChunk];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (text.size() + got > kLongestProbeFile) return false;
        text.append(chunk, got);
        if (got < sizeof chunk) return std::ferror(file) == 0;
    }
}

}  // namespace

bool probe_file_opens(const std::string& path) {
    FILE* file = open_for_reading(path);
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// No pipe or device has a name inside a folder on Windows: what opens there is a file.
bool read_probe_file(const std::string& path, std::string& text) {
    FILE* file = open_for_reading(path);
    if (file == nullptr) return false;
    bool read = false;
    try {
        read = read_to_end(file, text);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    std::fclose(file);
    return read;
}

#include "version_probe.h"

#include <cstdlib>
#include <cstring>

#include "addin_module.h"
#include "probe_file.h"
#include "program_directory.h"

namespace {

const char kSomeFileName[] = "application.ini";
const char kVersionRecord[] = "Version=";
const unsigned kDefaultVersion = 6;

}  // namespace

bool find_file(std::string& dirty_path) {
    std::string path = dirty_path;
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
    path += kSomeFileName;
    if (!probe_file_opens(path)) return false;
    dirty_path = path;
    return true;
}

unsigned get_version_form_file(const std::string& path) {
    // Found but unreadable, whatever the reason, is the same as no version in it.
    std::string text;
    if (!read_probe_file(path, text)) return kDefaultVersion;

    const size_t record = text.find(kVersionRecord);
    if (record == std::string::npos) return kDefaultVersion;
    const size_t start = record + std::strlen(kVersionRecord);
    const size_t dot = text.find('.', start);
    if (dot == std::string::npos || dot == start) return kDefaultVersion;
    const std::string digits = text.substr(start, dot - start);
    return static_cast<unsigned>(std::strtol(digits.c_str(), nullptr, 10));
}

void correct_version(unsigned version_from_file) {
    unsigned version = version_from_file;
    if (version_from_file == 4) version = 1;
    if (version_from_file == 5) version = 2;
    set_module_version(version);
}

void init_version() {
    // It runs while the browser loads the library: nothing may escape it.
    try {
        std::string directory = program_directory();
        if (directory.empty() || !find_file(directory)) return;
        correct_version(get_version_form_file(directory));
    } catch (...) {
        // The module keeps the version it has.
    }
}

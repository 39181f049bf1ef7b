#include "version_probe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "addin_module.h"
#include "program_directory.h"

namespace {

const char kSomeFileName[] = "application.ini";
const char kVersionRecord[] = "Version=";
const unsigned kDefaultVersion = 6;

// The whole content of an open file, read from its start.
bool read_whole(FILE* file, std::string& text) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    text.resize(static_cast<size_t>(length));
    const size_t got = length > 0 ? std::fread(&text[0], 1, text.size(), file) : 0;
    text.resize(got);
    return true;
}

}  // namespace

bool find_file(std::string& dirty_path) {
    std::string path = dirty_path;
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
    path += kSomeFileName;
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    std::fclose(file);
    dirty_path = path;
    return true;
}

unsigned get_version_form_file(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return kDefaultVersion;
    std::string text;
    const bool read = read_whole(file, text);
    std::fclose(file);
    if (!read) return kDefaultVersion;

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
    std::string directory = program_directory();
    if (directory.empty() || !find_file(directory)) return;
    correct_version(get_version_form_file(directory));
}

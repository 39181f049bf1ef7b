#include "temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace velmor_test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "velmor-XXXXXX").string();
    if (::mkdtemp(&pattern[0]) != nullptr) m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!m_path.empty()) fs::remove_all(m_path, error);
}

std::string TempFolder::copyIn(const std::string& from, const std::string& name) const {
    if (!ok()) return std::string();
    const fs::path to = fs::path(m_path) / name;
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, error)) return std::string();
    return to.string();
}

bool TempFolder::write(const std::string& name, const std::string& content) const {
    if (!ok()) return false;
    const fs::path to = fs::path(m_path) / name;
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    std::ofstream out(to, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

}  // namespace velmor_test

#include "temp_folder.h"

#include <filesystem>
#include <fstream>
#include <cstdio>
#include <random>
#include <system_error>

namespace velmor_test {

namespace fs = std::filesystem;

// A new folder of a random name that did not exist before (create_directory says so), made
// only for this process's user where the platform has permissions.
TempFolder::TempFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) return;
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "velmor-%012llx",
                      static_cast<unsigned long long>(random() & 0xffffffffffffULL));
        const fs::path candidate = base / name;
        if (fs::create_directory(candidate, error)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, error);
            m_path = candidate.u8string();
            return;
        }
        if (error) return;
    }
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!m_path.empty()) fs::remove_all(fs::u8path(m_path), error);
}

std::string TempFolder::copyIn(const std::string& from, const std::string& name) const {
    if (!ok()) return std::string();
    const fs::path to = fs::u8path(m_path) / fs::u8path(name);
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    if (!fs::copy_file(fs::u8path(from), to, fs::copy_options::overwrite_existing, error)) {
        return std::string();
    }
    return to.u8string();
}

bool TempFolder::write(const std::string& name, const std::string& content) const {
    if (!ok()) return false;
    const fs::path to = fs::u8path(m_path) / fs::u8path(name);
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    std::ofstream out(to, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

}  // namespace velmor_test

#pragma once
// A private folder under the system's temporary directory, removed with everything in it
// when the object goes: for tests that install deliverables under other names or paths.

#include <string>

namespace velmor_test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Paths and names are UTF-8.
    bool ok() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }
    // Copies `from` to `name` inside the folder (name may hold subfolders, made as needed),
    // keeping its permissions; the new path, or "" on failure.
    std::string copyIn(const std::string& from, const std::string& name) const;
    // Writes `content` to `name` inside the folder; false on failure.
    bool write(const std::string& name, const std::string& content) const;

private:
    std::string m_path;
};

}  // namespace velmor_test

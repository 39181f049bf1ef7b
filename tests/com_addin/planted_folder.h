#pragma once
// A fresh folder made the current one, holding copies of the planted library (see
// planted_library.cpp) under the names of registered ProgIDs, as a page's location might spell
// them; the folder goes and the former current folder comes back at the end.

#include <string>
#include <vector>

namespace com_test {

class PlantedFolder {
public:
    // `library` is the planted library's Windows path.
    PlantedFolder(const std::wstring& library, const std::vector<std::wstring>& names);
    ~PlantedFolder();
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;

    bool ready() const { return m_ready; }
    // What of the planted library ran: its trace, or empty.
    std::string ran() const;

private:
    std::wstring m_former;
    std::wstring m_folder;
    std::vector<std::wstring> m_files;
    bool m_ready = false;
};

// The planted library as the build lays it beside the test programs.
std::wstring planted_library_beside_program();

}  // namespace com_test

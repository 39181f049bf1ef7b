#include "planted_folder.h"

#include <windows.h>

#include "fixture_library.h"

namespace com_test {

namespace {

// The planted library's name for the file that says what of it ran.
constexpr wchar_t kTrace[] = L"planted.trace";

}  // namespace

PlantedFolder::PlantedFolder(const std::wstring& library, const std::vector<std::wstring>& names) {
    wchar_t temp[MAX_PATH] = {}, former[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    GetCurrentDirectoryW(MAX_PATH, former);
    m_former = former;
    m_folder = std::wstring(temp) + L"velmor_planted_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_folder.c_str(), nullptr);
    for (const std::wstring& name : names) {
        const std::wstring target = m_folder + L"\\" + name;
        if (CopyFileW(library.c_str(), target.c_str(), FALSE)) m_files.push_back(target);
    }
    m_ready = m_files.size() == names.size() && SetCurrentDirectoryW(m_folder.c_str());
}

PlantedFolder::~PlantedFolder() {
    SetCurrentDirectoryW(m_former.c_str());
    m_files.push_back(m_folder + L"\\" + kTrace);
    for (const std::wstring& file : m_files) DeleteFileW(file.c_str());
    RemoveDirectoryW(m_folder.c_str());
}

std::string PlantedFolder::ran() const {
    const std::wstring path = m_folder + L"\\" + kTrace;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char buffer[4096] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

std::wstring planted_library_beside_program() {
    return program_directory() + L"PlantedLibrary.dll";
}

}  // namespace com_test

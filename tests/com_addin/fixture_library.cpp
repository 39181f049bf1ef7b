#include "fixture_library.h"

#include "library_discovery.h"

namespace com_test {

namespace {

constexpr wchar_t kFixtureFile[] = L"ComAddInFixture.dll";

template <class Entry>
Entry entry_point(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::wstring program_directory() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring text(path, length);
    const size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1);
}

FixtureLibrary& FixtureLibrary::instance() {
    static FixtureLibrary library;
    return library;
}

FixtureLibrary::FixtureLibrary() : m_path(program_directory() + kFixtureFile) {
    m_module = LoadLibraryW(m_path.c_str());
    if (m_module == nullptr) return;
    m_counters = entry_point<ComFixtureCountersEntry>(m_module, "ComFixtureCounters");
    m_journal = entry_point<ComFixtureJournalEntry>(m_module, "ComFixtureJournal");
    m_reset = entry_point<ComFixtureResetEntry>(m_module, "ComFixtureReset");
    m_sendLateEvents =
        entry_point<ComFixtureSendLateEventsEntry>(m_module, "ComFixtureSendLateEvents");
    m_hostCallNow = entry_point<ComFixtureHostCallNowEntry>(m_module, "ComFixtureHostCallNow");
    if (m_counters == nullptr || m_journal == nullptr || m_reset == nullptr ||
        m_sendLateEvents == nullptr || m_hostCallNow == nullptr) {
        FreeLibrary(m_module);
        m_module = nullptr;
    }
}

std::wstring FixtureLibrary::journal() const {
    const int length = m_journal(nullptr, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(m_journal(&text[0], length + 1)));
    return text;
}

bool mirror_user_classes() {
    HKEY user = nullptr;
    HKEY machine = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &user) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool copied = false;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &machine, nullptr) == ERROR_SUCCESS) {
        copied = RegCopyTreeW(user, nullptr, machine) == ERROR_SUCCESS;
        RegCloseKey(machine);
    }
    RegCloseKey(user);
    return copied;
}

bool register_fixture() {
    const FixtureLibrary& library = FixtureLibrary::instance();
    if (!library.loaded()) return false;
    com_addin::read_library_classes(library.path(), com_addin::ClassListRead::eWide);
    return mirror_user_classes() && com_addin::is_registered_progid(L"AddIn.Probe");
}

}  // namespace com_test

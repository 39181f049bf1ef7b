#pragma once
// The COM add-in fixture as the tests see it: the library beside the test program, held
// loaded so that its counters and journal survive the loaders' CoFreeLibrary, and the Wine
// mirror of its per-user registration.

#include <windows.h>

#include <string>

#include "fixture_counters.h"

namespace com_test {

class FixtureLibrary {
public:
    static FixtureLibrary& instance();

    const std::wstring& path() const { return m_path; }
    bool loaded() const { return m_module != nullptr; }
    const FixtureCounters& counters() const { return *m_counters(); }
    std::wstring journal() const;
    void reset() const { m_reset(); }
    LONG sendLateEvents(LONG count) const { return m_sendLateEvents(count); }
    LONG hostCallNow(LONG kind) const { return m_hostCallNow(kind); }

private:
    FixtureLibrary();

    std::wstring m_path;
    HMODULE m_module = nullptr;
    ComFixtureCountersEntry m_counters = nullptr;
    ComFixtureJournalEntry m_journal = nullptr;
    ComFixtureResetEntry m_reset = nullptr;
    ComFixtureSendLateEventsEntry m_sendLateEvents = nullptr;
    ComFixtureHostCallNowEntry m_hostCallNow = nullptr;
};

// The folder of the test program, with its final separator.
std::wstring program_directory();

// Wine's class activation reads HKEY_LOCAL_MACHINE\Software\Classes only: the per-user
// registration is copied there, for the tests alone.
bool mirror_user_classes();

// Registers the fixture (as a loader does), mirrors it for Wine; false when that fails.
bool register_fixture();

}  // namespace com_test

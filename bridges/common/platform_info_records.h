#pragma once
// The platform information a host has answered, each answer a record of its own: made on the
// host's thread, never rewritten, and kept for the keeper's life, since an add-in's own thread
// may still be reading any record it was given. A new record is made only for an answer that
// no record holds yet, and only up to kMostRecords: the answer is the page's to vary, and
// what is kept must not grow with it.

#include <atomic>
#include <cstdint>
#include <list>
#include <string>

#include "AddInDefBase.h"

class PlatformInfoRecords {
public:
    PlatformInfoRecords() : m_latest(nullptr) {}
    PlatformInfoRecords(const PlatformInfoRecords&) = delete;
    PlatformInfoRecords& operator=(const PlatformInfoRecords&) = delete;

    static constexpr size_t kMostRecords = 64;

    // The record holding `answer` (copied), which becomes the latest; once kMostRecords are
    // kept, an answer that none holds gets the latest. The host's thread only.
    const AppInfo* keep(const AppInfo& answer);
    // The latest record kept, or null before the first. Any thread.
    const AppInfo* latest() const { return m_latest.load(std::memory_order_acquire); }

private:
    typedef std::basic_string<uint16_t> Text;
    struct Record {
        explicit Record(const AppInfo& answer);
        Record(const Record&) = delete;
        Record& operator=(const Record&) = delete;
        bool holds(const AppInfo& answer) const;

        Text version;
        Text userAgent;
        AppInfo info;
    };

    std::list<Record> m_records;  // a record never moves
    std::atomic<const AppInfo*> m_latest;
};

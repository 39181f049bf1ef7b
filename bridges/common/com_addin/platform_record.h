#pragma once
// The connection object's platform records, handed out by IPlatformInfo::GetPlatformInfo.
// Each answer the page gave is a record of its own: made on the home thread, never rewritten,
// and kept for the connection object's life, since an add-in's own thread may still be reading
// any record it was given. A new record is made only for an answer that no record holds yet,
// and only up to kMostRecords: the answer is the page's to vary, and what is kept must not
// grow with it.

#include <windows.h>

#include <atomic>
#include <list>

#include "com_addin_interfaces.h"

namespace com_addin {

class PlatformRecords {
public:
    PlatformRecords() = default;
    ~PlatformRecords();
    PlatformRecords(const PlatformRecords&) = delete;
    PlatformRecords& operator=(const PlatformRecords&) = delete;

    static constexpr size_t kMostRecords = 64;

    // The record holding copies of these texts (null stays null), which becomes the latest;
    // once kMostRecords are kept, an answer that none holds gets the latest. The home thread
    // only; null when memory runs out.
    PlatformInfoRecord* keep(const wchar_t* version, const wchar_t* userAgent);
    // The latest record kept, or null before the first. Any thread.
    PlatformInfoRecord* latest() const { return m_latest.load(std::memory_order_acquire); }
    // The latest record into `*info`, as a thread other than the home thread is answered:
    // E_FAIL before the first.
    HRESULT handOutLatest(PlatformInfoRecord** info) const;

private:
    std::list<PlatformInfoRecord> m_records;  // a record never moves
    std::atomic<PlatformInfoRecord*> m_latest{nullptr};
};

}  // namespace com_addin

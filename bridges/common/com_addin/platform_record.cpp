#include "platform_record.h"

#include <cwchar>
#include <new>

namespace com_addin {

namespace {

bool same_text(const wchar_t* kept, const wchar_t* answered) {
    if (kept == nullptr || answered == nullptr) return kept == answered;
    return std::wcscmp(kept, answered) == 0;
}

// A copy; false when memory ran out for a text that is not null.
bool copy_of(const wchar_t* text, BSTR* copy) {
    *copy = text != nullptr ? SysAllocString(text) : nullptr;
    return text == nullptr || *copy != nullptr;
}

}  // namespace

PlatformRecords::~PlatformRecords() {
    for (PlatformInfoRecord& record : m_records) {
        SysFreeString(record.AppVersion);
        SysFreeString(record.UserAgentInformation);
    }
}

PlatformInfoRecord* PlatformRecords::keep(const wchar_t* version, const wchar_t* userAgent) {
    for (PlatformInfoRecord& record : m_records) {
        if (same_text(record.AppVersion, version) &&
            same_text(record.UserAgentInformation, userAgent)) {
            m_latest.store(&record, std::memory_order_release);
            return &record;
        }
    }
    if (m_records.size() == kMostRecords) return latest();
    PlatformInfoRecord made{nullptr, nullptr, -1};
    bool copied = copy_of(version, &made.AppVersion);
    copied = copy_of(userAgent, &made.UserAgentInformation) && copied;
    if (copied) {
        try {
            m_records.push_back(made);
        } catch (const std::bad_alloc&) {
            copied = false;
        }
    }
    if (!copied) {
        SysFreeString(made.AppVersion);
        SysFreeString(made.UserAgentInformation);
        return nullptr;
    }
    m_latest.store(&m_records.back(), std::memory_order_release);
    return &m_records.back();
}

HRESULT PlatformRecords::handOutLatest(PlatformInfoRecord** info) const {
    PlatformInfoRecord* record = latest();
    if (record == nullptr) return E_FAIL;
    if (info == nullptr) return E_POINTER;
    *info = record;
    return S_OK;
}

}  // namespace com_addin

#include "platform_info_records.h"

namespace {

typedef std::basic_string<uint16_t> Text;

Text text_or_empty(const uint16_t* text) { return text != nullptr ? Text(text) : Text(); }

// A null text stays null, so that the record answers exactly what the host answered.
const uint16_t* text_of(const Text& kept, const uint16_t* answered) {
    return answered != nullptr ? kept.c_str() : nullptr;
}

// `kept` is the text of `keptPointer` (null or not).
bool same_text(const Text& kept, const uint16_t* keptPointer, const uint16_t* answered) {
    if (keptPointer == nullptr || answered == nullptr) return keptPointer == answered;
    return kept == answered;
}

}  // namespace

PlatformInfoRecords::Record::Record(const AppInfo& answer)
    : version(text_or_empty(answer.AppVersion)),
      userAgent(text_or_empty(answer.UserAgentInformation)),
      info() {
    info.AppVersion = text_of(version, answer.AppVersion);
    info.UserAgentInformation = text_of(userAgent, answer.UserAgentInformation);
    info.Application = answer.Application;
}

bool PlatformInfoRecords::Record::holds(const AppInfo& answer) const {
    return info.Application == answer.Application &&
           same_text(version, info.AppVersion, answer.AppVersion) &&
           same_text(userAgent, info.UserAgentInformation, answer.UserAgentInformation);
}

const AppInfo* PlatformInfoRecords::keep(const AppInfo& answer) {
    const AppInfo* record = nullptr;
    for (const Record& kept : m_records) {
        if (kept.holds(answer)) {
            record = &kept.info;
            break;
        }
    }
    if (record == nullptr && m_records.size() == kMostRecords) return latest();
    if (record == nullptr) {
        m_records.emplace_back(answer);
        record = &m_records.back().info;
    }
    m_latest.store(record, std::memory_order_release);
    return record;
}

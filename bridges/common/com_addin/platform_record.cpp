#include "platform_record.h"

namespace com_addin {

namespace {

void replace(BSTR& field, BSTR value) {
    SysFreeString(field);
    field = value;
}

BSTR copy_of(const wchar_t* text) { return text != nullptr ? SysAllocString(text) : nullptr; }

}  // namespace

PlatformRecord::PlatformRecord() : m_record{nullptr, nullptr, -1} {}

PlatformRecord::~PlatformRecord() {
    SysFreeString(m_record.AppVersion);
    SysFreeString(m_record.UserAgentInformation);
}

void PlatformRecord::setVersion(const wchar_t* version) {
    replace(m_record.AppVersion, copy_of(version));
}

void PlatformRecord::setUserAgent(const wchar_t* userAgent) {
    replace(m_record.UserAgentInformation, copy_of(userAgent));
}

void PlatformRecord::adoptVersion(BSTR version) { replace(m_record.AppVersion, version); }

}  // namespace com_addin

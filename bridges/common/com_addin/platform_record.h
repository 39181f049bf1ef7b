#pragma once
// The connection object's platform record, handed out by IPlatformInfo::GetPlatformInfo:
// each call fills its strings anew, the old ones freed.

#include <windows.h>

#include "com_addin_interfaces.h"

namespace com_addin {

class PlatformRecord {
public:
    PlatformRecord();
    ~PlatformRecord();
    PlatformRecord(const PlatformRecord&) = delete;
    PlatformRecord& operator=(const PlatformRecord&) = delete;

    // Takes copies; a null text leaves the field null.
    void setVersion(const wchar_t* version);
    void setUserAgent(const wchar_t* userAgent);
    // Takes ownership of a BSTR, as a site that allocates it itself hands it over.
    void adoptVersion(BSTR version);

    PlatformInfoRecord* record() { return &m_record; }

private:
    PlatformInfoRecord m_record;
};

}  // namespace com_addin

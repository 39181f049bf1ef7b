#pragma once
// XCEventData: one buffered external event as the page reads it (ICEventData).

#include "nsISupportsImpl.h"
#include "site_interfaces.h"
#include "utf16_text.h"

class XCEventData final : public ICEventData {
public:
    XCEventData() = default;
    NS_DECL_ISUPPORTS

    void Init(const wcstring& who, const wcstring& what, const wcstring& data);
    NS_IMETHOD GetWho(nsAString& who) override;
    NS_IMETHOD GetWhat(nsAString& what) override;
    NS_IMETHOD GetData(nsAString& data) override;

private:
    ~XCEventData() = default;

    wcstring m_who;
    wcstring m_what;
    wcstring m_data;
};

#include "xc_event_data.h"

#include "entry_guard.h"

NS_IMPL_ADDREF(XCEventData)
NS_IMPL_RELEASE(XCEventData)
NS_INTERFACE_MAP_BEGIN(XCEventData)
    NS_INTERFACE_MAP_ENTRY(ICEventData)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

void XCEventData::Init(const wcstring& who, const wcstring& what, const wcstring& data) {
    m_who = who;
    m_what = what;
    m_data = data;
}

NS_IMETHODIMP XCEventData::GetWho(nsAString& who) {
    return guarded([&] {
        who.Assign(m_who.c_str(), static_cast<uint32_t>(m_who.size()));
        return NS_OK;
    });
}

NS_IMETHODIMP XCEventData::GetWhat(nsAString& what) {
    return guarded([&] {
        what.Assign(m_what.c_str(), static_cast<uint32_t>(m_what.size()));
        return NS_OK;
    });
}

NS_IMETHODIMP XCEventData::GetData(nsAString& data) {
    return guarded([&] {
        data.Assign(m_data.c_str(), static_cast<uint32_t>(m_data.size()));
        return NS_OK;
    });
}

#include "ff_date.h"

NS_IMPL_ADDREF(ffDate)
NS_IMPL_RELEASE(ffDate)
NS_INTERFACE_MAP_BEGIN(ffDate)
    NS_INTERFACE_MAP_ENTRY(IDate)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP_(void) ffDate::Init(tm value) {
    m_year = value.tm_year;
    m_month = value.tm_mon;
    m_day = value.tm_mday;
    m_hour = value.tm_hour;
    m_minute = value.tm_min;
    m_second = value.tm_sec;
}

NS_IMETHODIMP ffDate::GetYear(int32_t* aYear) {
    if (aYear == nullptr) return NS_ERROR_NULL_POINTER;
    *aYear = m_year;
    return NS_OK;
}
NS_IMETHODIMP ffDate::SetYear(int32_t aYear) {
    m_year = aYear;
    return NS_OK;
}

NS_IMETHODIMP ffDate::GetMonth(int32_t* aMonth) {
    if (aMonth == nullptr) return NS_ERROR_NULL_POINTER;
    *aMonth = m_month;
    return NS_OK;
}
NS_IMETHODIMP ffDate::SetMonth(int32_t aMonth) {
    m_month = aMonth;
    return NS_OK;
}

NS_IMETHODIMP ffDate::GetDay(int32_t* aDay) {
    if (aDay == nullptr) return NS_ERROR_NULL_POINTER;
    *aDay = m_day;
    return NS_OK;
}
NS_IMETHODIMP ffDate::SetDay(int32_t aDay) {
    m_day = aDay;
    return NS_OK;
}

NS_IMETHODIMP ffDate::GetHour(int32_t* aHour) {
    if (aHour == nullptr) return NS_ERROR_NULL_POINTER;
    *aHour = m_hour;
    return NS_OK;
}
NS_IMETHODIMP ffDate::SetHour(int32_t aHour) {
    m_hour = aHour;
    return NS_OK;
}

NS_IMETHODIMP ffDate::GetMinute(int32_t* aMinute) {
    if (aMinute == nullptr) return NS_ERROR_NULL_POINTER;
    *aMinute = m_minute;
    return NS_OK;
}
NS_IMETHODIMP ffDate::SetMinute(int32_t aMinute) {
    m_minute = aMinute;
    return NS_OK;
}

NS_IMETHODIMP ffDate::GetSecond(int32_t* aSecond) {
    if (aSecond == nullptr) return NS_ERROR_NULL_POINTER;
    *aSecond = m_second;
    return NS_OK;
}
NS_IMETHODIMP ffDate::SetSecond(int32_t aSecond) {
    m_second = aSecond;
    return NS_OK;
}

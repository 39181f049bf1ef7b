#pragma once
// ffDate: a calendar value for the page (IDate); the fields are those of struct tm, unchanged.
// Nothing in the component creates one.

#include "date_interface.h"
#include "nsISupportsImpl.h"

class ffDate final : public IDate {
public:
    ffDate() = default;
    NS_DECL_ISUPPORTS

    NS_IMETHOD_(void) Init(tm value) override;
    NS_IMETHOD GetYear(int32_t* aYear) override;
    NS_IMETHOD SetYear(int32_t aYear) override;
    NS_IMETHOD GetMonth(int32_t* aMonth) override;
    NS_IMETHOD SetMonth(int32_t aMonth) override;
    NS_IMETHOD GetDay(int32_t* aDay) override;
    NS_IMETHOD SetDay(int32_t aDay) override;
    NS_IMETHOD GetHour(int32_t* aHour) override;
    NS_IMETHOD SetHour(int32_t aHour) override;
    NS_IMETHOD GetMinute(int32_t* aMinute) override;
    NS_IMETHOD SetMinute(int32_t aMinute) override;
    NS_IMETHOD GetSecond(int32_t* aSecond) override;
    NS_IMETHOD SetSecond(int32_t aSecond) override;

private:
    ~ffDate() = default;

    int32_t m_year = 0;
    int32_t m_month = 0;
    int32_t m_day = 0;
    int32_t m_hour = 0;
    int32_t m_minute = 0;
    int32_t m_second = 0;
};

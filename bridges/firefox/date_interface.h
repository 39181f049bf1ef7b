#pragma once
// A calendar value as the page may read it; nothing in the component creates one.

#include <ctime>

#include "component_iids.h"
#include "nsISupports.h"

class IDate : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IDATE_IID)
    NS_IMETHOD_(void) Init(tm value) = 0;                                                   // 3
    NS_IMETHOD GetYear(int32_t* aYear) = 0;
    NS_IMETHOD SetYear(int32_t aYear) = 0;
    NS_IMETHOD GetMonth(int32_t* aMonth) = 0;
    NS_IMETHOD SetMonth(int32_t aMonth) = 0;
    NS_IMETHOD GetDay(int32_t* aDay) = 0;
    NS_IMETHOD SetDay(int32_t aDay) = 0;
    NS_IMETHOD GetHour(int32_t* aHour) = 0;
    NS_IMETHOD SetHour(int32_t aHour) = 0;
    NS_IMETHOD GetMinute(int32_t* aMinute) = 0;
    NS_IMETHOD SetMinute(int32_t aMinute) = 0;
    NS_IMETHOD GetSecond(int32_t* aSecond) = 0;
    NS_IMETHOD SetSecond(int32_t aSecond) = 0;                                   // 15

protected:
    ~IDate() {}
};

#pragma once
// nsIObserver: receives notifications by topic.

#include "nsISupports.h"

#define NS_IOBSERVER_IID \
    { 0xdb242e01, 0xe4d9, 0x11d2, { 0x9d, 0xde, 0x00, 0x00, 0x64, 0x65, 0x73, 0x74 } }

class nsIObserver : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IOBSERVER_IID)

    NS_IMETHOD Observe(nsISupports* aSubject, const char* aTopic, const char16_t* aData) = 0;

protected:
    ~nsIObserver() = default;
};

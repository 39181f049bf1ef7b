#pragma once
// The page's listeners: implemented by the page script, called by the component on the
// browser's main thread. The component reaches the same page object both as ICListener and
// as ICListenerEx, each through QueryInterface; ICListenerEx extends ICListener.

#include "component_iids.h"
#include "nsISupports.h"
#include "nsStringAPI.h"
#include "nsIVariant.h"

class ICListener : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(ICLISTENER_IID)

    // Slots 3 to 9, then two the component never calls, then slot 12.
    NS_IMETHOD addError(uint16_t wcode, const char16_t* source, const char16_t* description,
                              int32_t scode, bool* _retval) = 0;
    NS_IMETHOD readValue(const char16_t* name, int32_t* error, nsAString& errDescription,
                               nsIVariant** value) = 0;
    NS_IMETHOD writeValue(const char16_t* name, nsIVariant* value, bool* _retval) = 0;
    NS_IMETHOD registerProfileAs(const char16_t* name, bool* _retval) = 0;
    NS_IMETHOD setStatusLine(const char16_t* text) = 0;
    NS_IMETHOD resetStatusLine() = 0;
    NS_IMETHOD externalEvent(const char16_t* source, const char16_t* event,
                                   const char16_t* data) = 0;
    NS_IMETHOD messageBox(const char16_t* text) = 0;
    NS_IMETHOD queryBox(const char16_t* text, bool* _retval) = 0;
    NS_IMETHOD registerClassName(const char16_t* name) = 0;

protected:
    ~ICListener() {}
};

class ICListenerEx : public ICListener {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(ICLISTENEREX_IID)

    // Slots 3 to 12 are the page's ICListener operations; the component calls 15, 17 and 18
    // through this interface and never 13, 14 and 16.
    NS_IMETHOD alert(const char16_t* text) = 0;                                        // 13
    NS_IMETHOD confirm(const char16_t* text, bool* _retval) = 0;                       // 14
    NS_IMETHOD getUserAgent(nsAString& _retval) = 0;                                   // 15
    NS_IMETHOD getPlatform(nsAString& _retval) = 0;                                    // 16
    NS_IMETHOD createObject(const char16_t* name, nsIVariant** _retval) = 0;           // 17
    NS_IMETHOD getVersion(nsAString& _retval) = 0;                                     // 18

protected:
    ~ICListenerEx() {}
};

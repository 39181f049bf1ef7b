#pragma once
// nsIPromptService: the browser's modal dialogs. Titles and texts are terminated UTF-16;
// a null title means the default one. The runtime records Alert and Confirm (and answers
// Confirm as the test asked); the other dialogs answer NS_ERROR_NOT_IMPLEMENTED there.

#include "nsISupports.h"

class nsIDOMWindow;

#define NS_IPROMPTSERVICE_IID \
    { 0x1630c61a, 0x325e, 0x49ca, { 0x87, 0x59, 0xa3, 0x1b, 0x16, 0xc4, 0x7a, 0xa5 } }
#define NS_PROMPTSERVICE_CONTRACTID "@mozilla.org/embedcomp/prompt-service;1"

class nsIPromptService : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IPROMPTSERVICE_IID)

    NS_IMETHOD Alert(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                     const char16_t* aText) = 0;
    NS_IMETHOD AlertCheck(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                          const char16_t* aText, const char16_t* aCheckMsg,
                          bool* aCheckState) = 0;
    NS_IMETHOD Confirm(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                       const char16_t* aText, bool* _retval) = 0;
    NS_IMETHOD ConfirmCheck(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                            const char16_t* aText, const char16_t* aCheckMsg, bool* aCheckState,
                            bool* _retval) = 0;
    NS_IMETHOD ConfirmEx(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                         const char16_t* aText, uint32_t aButtonFlags,
                         const char16_t* aButton0Title, const char16_t* aButton1Title,
                         const char16_t* aButton2Title, const char16_t* aCheckMsg,
                         bool* aCheckState, int32_t* _retval) = 0;
    NS_IMETHOD Prompt(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                      const char16_t* aText, char16_t** aValue, const char16_t* aCheckMsg,
                      bool* aCheckState, bool* _retval) = 0;
    NS_IMETHOD PromptUsernameAndPassword(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                                         const char16_t* aText, char16_t** aUsername,
                                         char16_t** aPassword, const char16_t* aCheckMsg,
                                         bool* aCheckState, bool* _retval) = 0;
    NS_IMETHOD PromptPassword(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                              const char16_t* aText, char16_t** aPassword,
                              const char16_t* aCheckMsg, bool* aCheckState, bool* _retval) = 0;
    NS_IMETHOD Select(nsIDOMWindow* aParent, const char16_t* aDialogTitle, const char16_t* aText,
                      uint32_t aCount, const char16_t** aSelectList, int32_t* aOutSelection,
                      bool* _retval) = 0;

protected:
    ~nsIPromptService() = default;
};

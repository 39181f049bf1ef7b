#pragma once
// The prompt service of the test browser: records Alert and Confirm instead of showing
// them and answers Confirm as the test asked. Calls may come from any thread.

#include <mutex>
#include <vector>

#include "nsIPromptService.h"
#include "nsISupportsImpl.h"
#include "xpcom_runtime/test_browser.h"

namespace xpcom_runtime {

class PromptService final : public nsIPromptService {
public:
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD Alert(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                     const char16_t* aText) override;
    NS_IMETHOD AlertCheck(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                          const char16_t* aText, const char16_t* aCheckMsg,
                          bool* aCheckState) override;
    NS_IMETHOD Confirm(nsIDOMWindow* aParent, const char16_t* aDialogTitle, const char16_t* aText,
                       bool* _retval) override;
    NS_IMETHOD ConfirmCheck(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                            const char16_t* aText, const char16_t* aCheckMsg, bool* aCheckState,
                            bool* _retval) override;
    NS_IMETHOD ConfirmEx(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                         const char16_t* aText, uint32_t aButtonFlags,
                         const char16_t* aButton0Title, const char16_t* aButton1Title,
                         const char16_t* aButton2Title, const char16_t* aCheckMsg,
                         bool* aCheckState, int32_t* _retval) override;
    NS_IMETHOD Prompt(nsIDOMWindow* aParent, const char16_t* aDialogTitle, const char16_t* aText,
                      char16_t** aValue, const char16_t* aCheckMsg, bool* aCheckState,
                      bool* _retval) override;
    NS_IMETHOD PromptUsernameAndPassword(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                                         const char16_t* aText, char16_t** aUsername,
                                         char16_t** aPassword, const char16_t* aCheckMsg,
                                         bool* aCheckState, bool* _retval) override;
    NS_IMETHOD PromptPassword(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                              const char16_t* aText, char16_t** aPassword,
                              const char16_t* aCheckMsg, bool* aCheckState,
                              bool* _retval) override;
    NS_IMETHOD Select(nsIDOMWindow* aParent, const char16_t* aDialogTitle, const char16_t* aText,
                      uint32_t aCount, const char16_t** aSelectList, int32_t* aOutSelection,
                      bool* _retval) override;

    std::vector<PromptCall> calls() const;
    void clear_calls();
    void set_confirm_answer(bool answer, nsresult result);
    void set_alert_result(nsresult result);

private:
    ~PromptService() = default;

    void record(PromptCall::Kind kind, nsIDOMWindow* parent, const char16_t* title,
                const char16_t* text);

    mutable std::mutex m_lock;
    std::vector<PromptCall> m_calls;
    bool m_confirm_answer = false;
    nsresult m_confirm_result = NS_OK;
    nsresult m_alert_result = NS_OK;
};

}  // namespace xpcom_runtime

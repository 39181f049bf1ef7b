// The test browser's prompt service.

#include "prompt_service.h"

#include "nsThreadUtils.h"

namespace xpcom_runtime {

NS_IMPL_ADDREF(PromptService)
NS_IMPL_RELEASE(PromptService)
NS_INTERFACE_MAP_BEGIN(PromptService)
    NS_INTERFACE_MAP_ENTRY(nsIPromptService)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

void PromptService::record(PromptCall::Kind kind, nsIDOMWindow* parent, const char16_t* title,
                           const char16_t* text) {
    PromptCall call{kind, parent, title != nullptr, title ? title : u"", text ? text : u"",
                    NS_IsMainThread()};
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back(std::move(call));
}

NS_IMETHODIMP PromptService::Alert(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                                   const char16_t* aText) {
    record(PromptCall::eAlert, aParent, aDialogTitle, aText);
    std::lock_guard<std::mutex> guard(m_lock);
    return m_alert_result;
}

NS_IMETHODIMP PromptService::Confirm(nsIDOMWindow* aParent, const char16_t* aDialogTitle,
                                     const char16_t* aText, bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    record(PromptCall::eConfirm, aParent, aDialogTitle, aText);
    std::lock_guard<std::mutex> guard(m_lock);
    if (NS_SUCCEEDED(m_confirm_result)) *_retval = m_confirm_answer;
    return m_confirm_result;
}

NS_IMETHODIMP PromptService::AlertCheck(nsIDOMWindow*, const char16_t*, const char16_t*,
                                        const char16_t*, bool*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP PromptService::ConfirmCheck(nsIDOMWindow*, const char16_t*, const char16_t*,
                                          const char16_t*, bool*, bool*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP PromptService::ConfirmEx(nsIDOMWindow*, const char16_t*, const char16_t*, uint32_t,
                                       const char16_t*, const char16_t*, const char16_t*,
                                       const char16_t*, bool*, int32_t*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP PromptService::Prompt(nsIDOMWindow*, const char16_t*, const char16_t*, char16_t**,
                                    const char16_t*, bool*, bool*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP PromptService::PromptUsernameAndPassword(nsIDOMWindow*, const char16_t*,
                                                       const char16_t*, char16_t**, char16_t**,
                                                       const char16_t*, bool*, bool*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP PromptService::PromptPassword(nsIDOMWindow*, const char16_t*, const char16_t*,
                                            char16_t**, const char16_t*, bool*, bool*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP PromptService::Select(nsIDOMWindow*, const char16_t*, const char16_t*, uint32_t,
                                    const char16_t**, int32_t*, bool*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

std::vector<PromptCall> PromptService::calls() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

void PromptService::clear_calls() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
}

void PromptService::set_confirm_answer(bool answer, nsresult result) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_confirm_answer = answer;
    m_confirm_result = result;
}

void PromptService::set_alert_result(nsresult result) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_alert_result = result;
}

}  // namespace xpcom_runtime

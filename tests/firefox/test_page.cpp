#include "test_page.h"

#include "nsComponentManagerUtils.h"
#include "nsXPCOM.h"

namespace velmor_test {

NS_IMPL_ADDREF(TestPage)
NS_IMPL_RELEASE(TestPage)
NS_INTERFACE_MAP_BEGIN(TestPage)
    NS_INTERFACE_MAP_ENTRY(ICListenerEx)
    NS_INTERFACE_MAP_ENTRY(ICListener)
    NS_INTERFACE_MAP_ENTRY_AMBIGUOUS(nsISupports, ICListenerEx)
NS_INTERFACE_MAP_END

TestPage::TestPage() : m_mainThread(std::this_thread::get_id()) {}

std::u16string text_of(const char16_t* text) { return text ? std::u16string(text) : u"<null>"; }

std::u16string utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

void TestPage::record(PageCall call) {
    call.onMainThread = std::this_thread::get_id() == m_mainThread;
    const std::string method = call.method;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back(std::move(call));
    }
    if (m_onCall) m_onCall(method);
}

NS_IMETHODIMP TestPage::addError(uint16_t wcode, const char16_t* source,
                                 const char16_t* description, int32_t scode, bool* _retval) {
    record({"addError", text_of(source), text_of(description), u"", wcode * 1000 + scode});
    *_retval = m_answer;
    if (m_onError) m_onError();
    return NS_OK;
}

NS_IMETHODIMP TestPage::readValue(const char16_t* name, int32_t* error, nsAString& errDescription,
                                  nsIVariant** value) {
    record({"readValue", text_of(name), u"", u"", 0});
    *error = 0;
    errDescription.Assign(u"fine");
    *value = string_variant(u"read:" + text_of(name)).forget().take();
    return NS_OK;
}

NS_IMETHODIMP TestPage::writeValue(const char16_t* name, nsIVariant* value, bool* _retval) {
    record({"writeValue", text_of(name), variant_text(value), u"", 0});
    *_retval = m_answer;
    return NS_OK;
}

NS_IMETHODIMP TestPage::registerProfileAs(const char16_t* name, bool* _retval) {
    record({"registerProfileAs", text_of(name), u"", u"", 0});
    *_retval = m_answer;
    return NS_OK;
}

NS_IMETHODIMP TestPage::setStatusLine(const char16_t* text) {
    record({"setStatusLine", text_of(text), u"", u"", 0});
    return NS_OK;
}

NS_IMETHODIMP TestPage::resetStatusLine() {
    record({"resetStatusLine", u"", u"", u"", 0});
    return NS_OK;
}

NS_IMETHODIMP TestPage::externalEvent(const char16_t* source, const char16_t* event,
                                      const char16_t* data) {
    if (m_onEvent) m_onEvent(data);
    record({"externalEvent", text_of(source), text_of(event), text_of(data), 0});
    return NS_OK;
}

NS_IMETHODIMP TestPage::messageBox(const char16_t* text) {
    record({"messageBox", text_of(text), u"", u"", 0});
    return NS_OK;
}

NS_IMETHODIMP TestPage::queryBox(const char16_t* text, bool* _retval) {
    record({"queryBox", text_of(text), u"", u"", 0});
    *_retval = m_answer;
    return NS_OK;
}

NS_IMETHODIMP TestPage::registerClassName(const char16_t* name) {
    record({"registerClassName", text_of(name), u"", u"", 0});
    return NS_OK;
}

NS_IMETHODIMP TestPage::alert(const char16_t* text) {
    record({"alert", text_of(text), u"", u"", 0});
    return NS_OK;
}

NS_IMETHODIMP TestPage::confirm(const char16_t* text, bool* _retval) {
    record({"confirm", text_of(text), u"", u"", 0});
    *_retval = m_answer;
    return NS_OK;
}

NS_IMETHODIMP TestPage::getUserAgent(nsAString& _retval) {
    record({"getUserAgent", u"", u"", u"", 0});
    _retval.Assign(u"TestBrowser/31");
    return NS_OK;
}

NS_IMETHODIMP TestPage::getPlatform(nsAString& _retval) {
    _retval.Assign(u"linux");
    return NS_OK;
}

NS_IMETHODIMP TestPage::createObject(const char16_t* name, nsIVariant** _retval) {
    record({"createObject", text_of(name), u"", u"", 0});
    *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP TestPage::getVersion(nsAString& _retval) {
    record({"getVersion", u"", u"", u"", 0});
    _retval.Assign(u"8.3.1");
    return NS_OK;
}

std::vector<PageCall> TestPage::calls() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_calls;
}

std::vector<PageCall> TestPage::calls(const std::string& method) const {
    std::vector<PageCall> out;
    for (const PageCall& call : calls()) {
        if (call.method == method) out.push_back(call);
    }
    return out;
}

size_t TestPage::count(const std::string& method) const { return calls(method).size(); }

void TestPage::clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_calls.clear();
}

std::u16string variant_text(nsIVariant* value) {
    if (value == nullptr) return u"<none>";
    char16_t* text = nullptr;
    if (NS_FAILED(value->GetAsWString(&text)) || text == nullptr) return u"<none>";
    std::u16string out(text);
    NS_Free(text);
    return out;
}

nsCOMPtr<nsIWritableVariant> string_variant(const std::u16string& text) {
    nsCOMPtr<nsIWritableVariant> variant = do_CreateInstance(NS_VARIANT_CONTRACTID);
    if (variant) variant->SetAsWString(text.c_str());
    return variant;
}

nsCOMPtr<nsIWritableVariant> int_variant(int32_t value) {
    nsCOMPtr<nsIWritableVariant> variant = do_CreateInstance(NS_VARIANT_CONTRACTID);
    if (variant) variant->SetAsInt32(value);
    return variant;
}

uint16_t data_type(nsIVariant* value) {
    uint16_t type = 0xffff;
    if (value != nullptr) value->GetDataType(&type);
    return type;
}

}  // namespace velmor_test

#pragma once
// The page, as C++ objects: a listener implementing ICListenerEx (and so ICListener) that
// records every call with the thread it came on, and helpers for the variants a page passes.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "listener_interfaces.h"
#include "nsCOMPtr.h"
#include "nsISupportsImpl.h"
#include "nsIVariant.h"

namespace velmor_test {

struct PageCall {
    std::string method;
    std::u16string a, b, c;
    int32_t number = 0;
    bool onMainThread = false;
};

class TestPage final : public ICListenerEx {
public:
    TestPage();
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD addError(uint16_t wcode, const char16_t* source, const char16_t* description,
                        int32_t scode, bool* _retval) override;
    NS_IMETHOD readValue(const char16_t* name, int32_t* error, nsAString& errDescription,
                         nsIVariant** value) override;
    NS_IMETHOD writeValue(const char16_t* name, nsIVariant* value, bool* _retval) override;
    NS_IMETHOD registerProfileAs(const char16_t* name, bool* _retval) override;
    NS_IMETHOD setStatusLine(const char16_t* text) override;
    NS_IMETHOD resetStatusLine() override;
    NS_IMETHOD externalEvent(const char16_t* source, const char16_t* event,
                             const char16_t* data) override;
    NS_IMETHOD messageBox(const char16_t* text) override;
    NS_IMETHOD queryBox(const char16_t* text, bool* _retval) override;
    NS_IMETHOD registerClassName(const char16_t* name) override;
    NS_IMETHOD alert(const char16_t* text) override;
    NS_IMETHOD confirm(const char16_t* text, bool* _retval) override;
    NS_IMETHOD getUserAgent(nsAString& _retval) override;
    NS_IMETHOD getPlatform(nsAString& _retval) override;
    NS_IMETHOD createObject(const char16_t* name, nsIVariant** _retval) override;
    NS_IMETHOD getVersion(nsAString& _retval) override;

    std::vector<PageCall> calls() const;
    std::vector<PageCall> calls(const std::string& method) const;
    size_t count(const std::string& method) const;
    void clear();
    // What the page answers.
    bool m_answer = true;
    // Called on every externalEvent (on the main thread), for the tests that measure.
    std::function<void(const char16_t* data)> m_onEvent;
    // Called on every addError, after it is recorded, for the tests that answer it.
    std::function<void()> m_onError;
    // Called with the method's name on every call as it is recorded, for the tests that act
    // inside any of them.
    std::function<void(const std::string& method)> m_onCall;

private:
    ~TestPage() = default;
    void record(PageCall call);

    std::thread::id m_mainThread;
    mutable std::mutex m_lock;
    std::vector<PageCall> m_calls;
};

std::u16string text_of(const char16_t* text);
// ASCII text widened.
std::u16string utf16(const std::string& ascii);
// The variant's content as text (GetAsWString), or "<none>".
std::u16string variant_text(nsIVariant* value);
nsCOMPtr<nsIWritableVariant> string_variant(const std::u16string& text);
nsCOMPtr<nsIWritableVariant> int_variant(int32_t value);
uint16_t data_type(nsIVariant* value);

}  // namespace velmor_test

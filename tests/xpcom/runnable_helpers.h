#pragma once
// Small XPCOM objects for the runtime's tests: a runnable over a function.

#include <functional>
#include <utility>

#include "nsCOMPtr.h"
#include "nsIRunnable.h"
#include "nsISupportsImpl.h"

namespace xpcom_test {

class FunctionRunnable final : public nsIRunnable {
public:
    explicit FunctionRunnable(std::function<void()> body) : m_body(std::move(body)) {}

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD Run() override {
        m_body();
        return NS_OK;
    }

private:
    ~FunctionRunnable() = default;

    std::function<void()> m_body;
};

inline nsCOMPtr<nsIRunnable> make_runnable(std::function<void()> body) {
    return nsCOMPtr<nsIRunnable>(new FunctionRunnable(std::move(body)));
}

}  // namespace xpcom_test

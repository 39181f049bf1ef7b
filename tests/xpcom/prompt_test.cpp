// The prompt service and window watcher record what they were asked, as a component asks.

#include <gtest/gtest.h>

#include <thread>

#include "nsIDOMWindow.h"
#include "nsIPromptService.h"
#include "nsISupportsImpl.h"
#include "nsIWindowWatcher.h"
#include "nsServiceManagerUtils.h"
#include "xpcom_runtime/test_browser.h"

namespace {

class FakeWindow final : public nsIDOMWindow {
public:
    NS_DECL_ISUPPORTS

private:
    ~FakeWindow() = default;
};

NS_IMPL_ADDREF(FakeWindow)
NS_IMPL_RELEASE(FakeWindow)
NS_INTERFACE_MAP_BEGIN(FakeWindow)
    NS_INTERFACE_MAP_ENTRY(nsIDOMWindow)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

class Prompts : public ::testing::Test {
protected:
    xpcom_runtime::TestBrowser browser;
    nsCOMPtr<nsIPromptService> prompts = do_GetService(NS_PROMPTSERVICE_CONTRACTID);
    nsCOMPtr<nsIWindowWatcher> watcher = do_GetService(NS_WINDOWWATCHER_CONTRACTID);
};

TEST_F(Prompts, AlertAndConfirmAreRecordedWithTheActiveWindow) {
    ASSERT_TRUE(prompts && watcher);
    nsCOMPtr<nsIDOMWindow> none;
    EXPECT_EQ(watcher->GetActiveWindow(getter_AddRefs(none)), NS_OK);
    EXPECT_FALSE(none);

    nsCOMPtr<nsIDOMWindow> window = new FakeWindow();
    browser.set_active_window(window);
    nsCOMPtr<nsIDOMWindow> active;
    ASSERT_EQ(watcher->GetActiveWindow(getter_AddRefs(active)), NS_OK);
    EXPECT_EQ(active.get(), window.get());

    EXPECT_EQ(prompts->Alert(active, nullptr, u"Hello"), NS_OK);
    bool answer = true;
    EXPECT_EQ(prompts->Confirm(active, u"Title", u"Sure?", &answer), NS_OK);
    EXPECT_FALSE(answer);  // the default answer
    browser.set_confirm_answer(true);
    EXPECT_EQ(prompts->Confirm(nullptr, nullptr, u"Again?", &answer), NS_OK);
    EXPECT_TRUE(answer);

    const auto calls = browser.prompt_calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, xpcom_runtime::PromptCall::eAlert);
    EXPECT_EQ(calls[0].parent, static_cast<const void*>(window.get()));
    EXPECT_FALSE(calls[0].has_title);
    EXPECT_EQ(calls[0].text, u"Hello");
    EXPECT_TRUE(calls[0].on_main_thread);
    EXPECT_EQ(calls[1].kind, xpcom_runtime::PromptCall::eConfirm);
    EXPECT_TRUE(calls[1].has_title);
    EXPECT_EQ(calls[1].title, u"Title");
    EXPECT_EQ(calls[2].parent, nullptr);
    browser.clear_prompt_calls();
    EXPECT_TRUE(browser.prompt_calls().empty());
    browser.set_active_window(nullptr);
}

TEST_F(Prompts, FailuresAsTheTestAsksAndCallsFromOtherThreads) {
    browser.set_confirm_answer(true, NS_ERROR_ABORT);
    browser.set_alert_result(NS_ERROR_FAILURE);
    bool answer = false;
    EXPECT_EQ(prompts->Confirm(nullptr, nullptr, u"q", &answer), NS_ERROR_ABORT);
    EXPECT_FALSE(answer);  // no answer on failure
    EXPECT_EQ(prompts->Alert(nullptr, nullptr, u"a"), NS_ERROR_FAILURE);
    EXPECT_EQ(prompts->Confirm(nullptr, nullptr, u"q", nullptr), NS_ERROR_NULL_POINTER);
    std::thread other([&] { prompts->Alert(nullptr, nullptr, u"from elsewhere"); });
    other.join();
    const auto calls = browser.prompt_calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_FALSE(calls[2].on_main_thread);
    EXPECT_EQ(calls[2].text, u"from elsewhere");
    EXPECT_EQ(prompts->Prompt(nullptr, nullptr, u"", nullptr, nullptr, nullptr, &answer),
              NS_ERROR_NOT_IMPLEMENTED);
}

}  // namespace

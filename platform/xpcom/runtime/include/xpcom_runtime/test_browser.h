#pragma once
// The test browser: the runtime that plays the browser for a component under test. It
// loads component libraries, registers their classes, runs the main thread's event loop
// with its timers, and offers the platform's variant, array, timer, memory, prompt and
// window-watcher classes. One test browser at a time per process; the thread that makes it
// is the main thread until it is destroyed.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mozilla/Module.h"
#include "nsCOMPtr.h"
#include "nsComponentManagerUtils.h"
#include "nsIDOMWindow.h"

namespace xpcom_runtime {

/// One dialog the prompt service was asked to show.
struct PromptCall {
    enum Kind { eAlert, eConfirm };
    Kind kind;
    /// The parent window given, by identity only (no reference is kept).
    const void* parent;
    /// Whether a title was given (null means the default title).
    bool has_title;
    std::u16string title;
    std::u16string text;
    /// Whether the call came on the main thread.
    bool on_main_thread;
};

class NS_IMPORT_ABI TestBrowser {
public:
    /// Starts the browser on the calling thread, which becomes its main thread.
    /// module_version is the version a component's record must carry to be loaded.
    explicit TestBrowser(unsigned module_version = mozilla::Module::kVersion);
    /// Shuts down: cancels timers, drops events not yet run, releases services, calls the
    /// modules' unload hooks and unloads their libraries.
    ~TestBrowser();
    TestBrowser(const TestBrowser&) = delete;
    TestBrowser& operator=(const TestBrowser&) = delete;

    /// Loads a component library, reads its NSModule record, checks its version, runs its
    /// load hook and registers its classes and contract IDs. On failure says why in *error.
    nsresult load_component(const std::string& path, std::string* error = nullptr);
    /// Registers a module record that lives in the test program itself.
    nsresult register_module(const mozilla::Module& module, std::string* error = nullptr);

    /// Runs the main thread's events and timers until done() holds or timeout has passed,
    /// waiting (without spinning) for the next event or timer in between. Returns done().
    /// Only on the main thread.
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    /// Runs the events already posted and the timers already due, without waiting; returns
    /// how many ran. Only on the main thread.
    size_t run_pending();
    /// Events and timer callbacks run so far.
    uint64_t events_run() const;

    /// A new object by contract ID, asked for T.
    template <class T>
    nsCOMPtr<T> create(const char* contract_id, nsresult* rv = nullptr) {
        nsCOMPtr<T> result = do_CreateInstance(contract_id, rv);
        return result;
    }

    /// What the prompt service was asked so far, oldest first.
    std::vector<PromptCall> prompt_calls() const;
    void clear_prompt_calls();
    /// What Confirm answers from now on (false and NS_OK at first); a failing result makes
    /// Confirm fail without an answer.
    void set_confirm_answer(bool answer, nsresult result = NS_OK);
    /// What Alert returns from now on (NS_OK at first).
    void set_alert_result(nsresult result);
    /// The window the window watcher reports as active (none at first); a reference is kept.
    void set_active_window(nsIDOMWindow* window);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace xpcom_runtime

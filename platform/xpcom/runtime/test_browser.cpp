// The test browser: installs the runtime's objects, loads component libraries, runs the
// main thread's loop and shuts everything down in order.

#include "xpcom_runtime/test_browser.h"

#include <stdexcept>

#include "builtin_module.h"
#include "module_library.h"
#include "nsServiceManagerUtils.h"
#include "prompt_service.h"
#include "runtime_globals.h"
#include "window_watcher.h"

namespace xpcom_runtime {

struct TestBrowser::State {
    unsigned module_version;
    RuntimeObjects objects;
    std::vector<void*> libraries;
};

namespace {

void report(std::string* error, const std::string& text) {
    if (error) *error = text;
}

template <class Class, class Interface>
nsCOMPtr<Class> builtin_service(ComponentManager* manager, const char* contract_id) {
    nsCOMPtr<Interface> service;
    manager->GetServiceByContractID(contract_id, NS_GET_IID(Interface), getter_AddRefs(service));
    return nsCOMPtr<Class>(static_cast<Class*>(service.get()));
}

}  // namespace

TestBrowser::TestBrowser(unsigned module_version) : m_state(new State) {
    m_state->module_version = module_version;
    m_state->objects.main_thread = new MainThread();
    m_state->objects.manager = new ComponentManager();
    m_state->objects.memory = new MemoryService();
    if (!install_runtime(m_state->objects)) {
        throw std::logic_error("a test browser is already running in this process");
    }
    m_state->objects.manager->register_module(builtin_module());
}

TestBrowser::~TestBrowser() {
    // Pending events and armed timers go first (they may hold component objects), then the
    // services, then the modules' unload hooks, and only then the libraries themselves.
    m_state->objects.main_thread->shut_down();
    m_state->objects.manager->shut_down();
    remove_runtime();
    for (auto it = m_state->libraries.rbegin(); it != m_state->libraries.rend(); ++it) {
        close_library(*it);
    }
}

nsresult TestBrowser::register_module(const mozilla::Module& module, std::string* error) {
    if (module.loadProc) {
        nsresult rv = module.loadProc();
        if (NS_FAILED(rv)) {
            report(error, "the module's load hook failed");
            return rv;
        }
    }
    m_state->objects.manager->register_module(module);
    return NS_OK;
}

nsresult TestBrowser::load_component(const std::string& path, std::string* error) {
    std::string reason;
    void* library = open_library(path, reason);
    if (!library) {
        report(error, reason);
        return NS_ERROR_FAILURE;
    }
    auto refuse = [&](const std::string& why) {
        close_library(library);
        report(error, path + ": " + why);
        return NS_ERROR_FAILURE;
    };
    auto* entry = static_cast<mozilla::Module const* const*>(library_symbol(library, "NSModule"));
    if (!entry) return refuse("exports no NSModule");
    const mozilla::Module* module = *entry;
    if (!module) return refuse("its NSModule is null");
    if (module->mVersion != m_state->module_version) {
        return refuse("module version " + std::to_string(module->mVersion) +
                      ", the browser's is " + std::to_string(m_state->module_version));
    }
    nsresult rv = register_module(*module, error);
    if (NS_FAILED(rv)) {
        close_library(library);
        return rv;
    }
    m_state->libraries.push_back(library);
    return NS_OK;
}

bool TestBrowser::run_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    MainThread* thread = m_state->objects.main_thread;
    if (!thread->is_current()) return done();
    return thread->run_until(done, MainThread::Clock::now() + timeout);
}

size_t TestBrowser::run_pending() {
    MainThread* thread = m_state->objects.main_thread;
    if (!thread->is_current()) return 0;
    size_t ran = 0;
    // Only what is ready now: something posted or re-armed meanwhile waits for the next call.
    const MainThread::Clock::time_point now = MainThread::Clock::now();
    while (thread->run_one(nullptr, &now)) ++ran;
    return ran;
}

uint64_t TestBrowser::events_run() const { return m_state->objects.main_thread->events_run(); }

std::vector<PromptCall> TestBrowser::prompt_calls() const {
    return builtin_service<PromptService, nsIPromptService>(m_state->objects.manager,
                                                            NS_PROMPTSERVICE_CONTRACTID)
        ->calls();
}

void TestBrowser::clear_prompt_calls() {
    builtin_service<PromptService, nsIPromptService>(m_state->objects.manager,
                                                     NS_PROMPTSERVICE_CONTRACTID)
        ->clear_calls();
}

void TestBrowser::set_confirm_answer(bool answer, nsresult result) {
    builtin_service<PromptService, nsIPromptService>(m_state->objects.manager,
                                                     NS_PROMPTSERVICE_CONTRACTID)
        ->set_confirm_answer(answer, result);
}

void TestBrowser::set_alert_result(nsresult result) {
    builtin_service<PromptService, nsIPromptService>(m_state->objects.manager,
                                                     NS_PROMPTSERVICE_CONTRACTID)
        ->set_alert_result(result);
}

void TestBrowser::set_active_window(nsIDOMWindow* window) {
    builtin_service<WindowWatcher, nsIWindowWatcher>(m_state->objects.manager,
                                                     NS_WINDOWWATCHER_CONTRACTID)
        ->SetActiveWindow(window);
}

}  // namespace xpcom_runtime

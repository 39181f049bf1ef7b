#include "main_thread_later.h"

#include "native_boundary.h"
#include "nsCOMPtr.h"
#include "nsIRunnable.h"
#include "nsISupportsImpl.h"
#include "nsThreadUtils.h"

namespace {

class LaterRun final : public nsIRunnable {
public:
    LaterRun(nsISupports* owner, LaterOnMainThread* work) : m_owner(owner), m_work(work) {
        m_owner->AddRef();
    }
    NS_DECL_THREADSAFE_ISUPPORTS
    NS_IMETHOD Run() override {
        nsISupports* const owner = m_owner;
        m_owner = nullptr;
        if (owner != nullptr) {
            m_work->runLater();
            owner->Release();
        }
        return NS_OK;
    }

private:
    ~LaterRun() {
        if (m_owner != nullptr) m_owner->Release();
    }
    nsISupports* m_owner;
    LaterOnMainThread* const m_work;
};

NS_IMPL_ADDREF(LaterRun)
NS_IMPL_RELEASE(LaterRun)
NS_INTERFACE_MAP_BEGIN(LaterRun)
    NS_INTERFACE_MAP_ENTRY(nsIRunnable)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

}  // namespace

bool run_later_on_main_thread(nsISupports* owner, LaterOnMainThread* work) {
    nsCOMPtr<nsIRunnable> run = native_boundary::guarded(nsCOMPtr<nsIRunnable>(), [&] {
        return nsCOMPtr<nsIRunnable>(new LaterRun(owner, work));
    });
    return run && NS_SUCCEEDED(NS_DispatchToMainThread(run.get()));
}

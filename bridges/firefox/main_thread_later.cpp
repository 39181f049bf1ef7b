#include "main_thread_later.h"

#include "native_boundary.h"
#include "nsCOMPtr.h"
#include "nsIRunnable.h"
#include "nsISupportsImpl.h"
#include "nsThreadUtils.h"

class LaterOnMainThread::Dispatched final : public nsIRunnable {
public:
    Dispatched(nsISupports* owner, LaterOnMainThread* work) : m_owner(owner), m_work(work) {
        m_owner->AddRef();
    }
    NS_DECL_THREADSAFE_ISUPPORTS
    NS_IMETHOD Run() override {
        nsISupports* const owner = m_owner;
        m_owner = nullptr;
        if (owner != nullptr) {
            m_work->m_waiting = false;
            m_work->runLater();
            owner->Release();
        }
        return NS_OK;
    }

private:
    ~Dispatched() {
        if (m_owner != nullptr) m_owner->Release();
    }
    nsISupports* m_owner;
    LaterOnMainThread* const m_work;
};

NS_IMPL_ADDREF(LaterOnMainThread::Dispatched)
NS_IMPL_RELEASE(LaterOnMainThread::Dispatched)
NS_INTERFACE_MAP_BEGIN(LaterOnMainThread::Dispatched)
    NS_INTERFACE_MAP_ENTRY(nsIRunnable)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

bool LaterOnMainThread::askLater(nsISupports* owner) {
    if (m_waiting) return true;
    nsCOMPtr<nsIRunnable> run = native_boundary::guarded(nsCOMPtr<nsIRunnable>(), [&] {
        return nsCOMPtr<nsIRunnable>(new Dispatched(owner, this));
    });
    m_waiting = run && NS_SUCCEEDED(NS_DispatchToMainThread(run.get()));
    return m_waiting;
}

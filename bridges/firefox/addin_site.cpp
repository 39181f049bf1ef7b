#include "addin_site.h"

#include <cstring>

#include "adapter_choice.h"
#include "delivery_limits.h"
#include "delivery_queue_slot.h"
#include "entry_guard.h"
#include "environment_locale.h"
#include "firefox_config.h"
#include "log_event.h"
#include "monitor_lock.h"
#include "native_boundary.h"
#include "nsComponentManagerUtils.h"
#include "nsThreadUtils.h"
#include "platform_services.h"
#include "variant_tvariant.h"
#include "xc_event_data.h"

std::atomic<bool> g_newIntrfc{false};

namespace {
const nsresult kReadRefused = NS_ERROR_UNEXPECTED;
// The count while the site comes apart: far from zero, so that a reference taken and given
// back meanwhile (by the add-in's Done calling its host) cannot end it a second time.
const nsrefcnt kDestroying = nsrefcnt(1) << 30;

wcstring getLocaleISO() { return utf16_of(environment_locale()); }

size_t text_length(const char16_t* text) {
    return text == nullptr ? 0 : std::char_traits<char16_t>::length(text);
}

// What a buffered record counts against the buffer's bound.
size_t record_bytes(size_t source, size_t message, size_t data) {
    return pending_record_bytes(sizeof(ExternalEventData), source, message, data);
}

size_t record_bytes(const ExternalEventData& record) {
    return record_bytes(record.source.size(), record.message.size(), record.data.size());
}
}  // namespace

AddInSite::AddInSite()
    : mRefCnt(0),
      m_evtBufferLength(1),
      m_bufferedBytes(0),
      m_mutex(PR_NewMonitor()),
      m_type(eAddInvalid),
      m_newInterface(false),
      m_version(static_cast<size_t>(-1)) {}

AddInSite::~AddInSite() {
    // The adapter is disconnected in Release, before the object starts to come apart.
    m_deqEvents.clear();
    PR_DestroyMonitor(m_mutex);
}

// ---- nsISupports

NS_IMETHODIMP AddInSite::QueryInterface(const nsIID& aIID, void** aInstancePtr) {
    if (aInstancePtr == nullptr) return NS_ERROR_NULL_POINTER;
    nsISupports* part = nullptr;
    if (aIID.Equals(NS_GET_IID(IAddInSite))) {
        part = static_cast<IAddInSite*>(this);
    } else if (aIID.Equals(NS_GET_IID(IAddInSiteExt))) {
        part = static_cast<IAddInSiteExt*>(this);
    } else if (aIID.Equals(NS_GET_IID(IInnerListener))) {
        part = static_cast<IInnerListener*>(this);
    } else if (aIID.Equals(NS_GET_IID(nsISupports))) {
        part = static_cast<IAddInSite*>(this);
    }
    *aInstancePtr = part;
    if (part == nullptr) return NS_ERROR_NO_INTERFACE;
    part->AddRef();
    return NS_OK;
}

NS_IMETHODIMP_(nsrefcnt) AddInSite::AddRef() { return ++mRefCnt; }

NS_IMETHODIMP_(nsrefcnt) AddInSite::Release() {
    const nsrefcnt count = --mRefCnt;
    if (count != 0) return count;
    mRefCnt = kDestroying;
    // Disconnecting stops the add-in's threads; a callback they deliver meanwhile finds the
    // site whole but takes no new reference (tryReference), so nothing revives it. A finish
    // that a frame of the add-in defers runs after the site is gone: it is cut off first.
    if (m_adapt) {
        m_adapt->Disconnect();
        m_adapt->Initialize(nullptr);
    }
    delete this;
    return 0;
}

nsCOMPtr<IAddInSiteExt> AddInSite::tryReference() {
    nsrefcnt count = mRefCnt.load();
    while (count != 0 && count < kDestroying) {
        if (mRefCnt.compare_exchange_weak(count, count + 1)) {
            return nsCOMPtr<IAddInSiteExt>(already_AddRefed<IAddInSiteExt>(static_cast<IAddInSiteExt*>(this)));
        }
    }
    return nsCOMPtr<IAddInSiteExt>();
}

template <class Append>
bool AddInSite::queue(Append append) {
    // The queued callback's reference to this site, which the queue takes only once the
    // callback is sure to stay: one that is not kept never held the site, so it cannot be what
    // lets the site go on the add-in's thread.
    class Reference final : public SiteReference {
    public:
        explicit Reference(AddInSite& site) : m_site(site) {}
        IAddInSitePtr take() override { return m_site.tryReference(); }

    private:
        AddInSite& m_site;
    } reference(*this);
    bool kept = false;
    g_asyncMng.post([&](IAsyncManagerIntf& queue) { kept = append(queue, reference); });
    return kept;
}

nsCOMPtr<ICListener> AddInSite::directListener() {
    if (!NS_IsMainThread()) return nullptr;
    return m_siteEx;
}

// ---- reflection and calls: the adapter's

// The page may end or release this site from a callback of the add-in while one of these
// runs: the site and its adapter (`context` for the rest of the method) stay whole until the
// add-in's call returns.
#define VELMOR_NEED_CONTEXT(failure)      \
    if (!m_context) return failure;        \
    const nsCOMPtr<IAddInSite> self(this); \
    const nsCOMPtr<IContextExt> context = m_context

NS_IMETHODIMP AddInSite::GetNProps(int32_t* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->GetNProps(_retval);
}
NS_IMETHODIMP AddInSite::GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->GetPropName(propPos, alias, _retval);
}
NS_IMETHODIMP AddInSite::IsPropReadable(int32_t propPos, bool* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->IsPropReadable(propPos, _retval);
}
NS_IMETHODIMP AddInSite::IsPropWritable(int32_t propPos, bool* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->IsPropWritable(propPos, _retval);
}
NS_IMETHODIMP_(int32_t) AddInSite::FindProp(const char16_t* pszPropName) {
    VELMOR_NEED_CONTEXT(-1);
    return context->FindProp(pszPropName);
}
NS_IMETHODIMP AddInSite::GetNMethods(int32_t* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->GetNMethods(_retval);
}
NS_IMETHODIMP AddInSite::GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->GetMethodName(nMethodPos, alias, _retval);
}
NS_IMETHODIMP AddInSite::GetNParams(int32_t nMethodPos, int32_t* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return context->GetNParams(nMethodPos, _retval);
}
NS_IMETHODIMP_(bool) AddInSite::IsParamIn(int32_t nMethodPos, int32_t nParamPos) {
    VELMOR_NEED_CONTEXT(false);
    return context->IsParamIn(nMethodPos, nParamPos);
}
NS_IMETHODIMP_(bool) AddInSite::IsParamOut(int32_t nMethodPos, int32_t nParamPos) {
    VELMOR_NEED_CONTEXT(false);
    return context->IsParamOut(nMethodPos, nParamPos);
}
NS_IMETHODIMP_(bool) AddInSite::GetParamDefValue(int32_t nMethodPos, int32_t nParamPos, nsIVariant** pDefVal) {
    VELMOR_NEED_CONTEXT(false);
    return native_boundary::guarded(false, [&] {
        return context->GetParamDefValue(nMethodPos, nParamPos, pDefVal);
    });
}
NS_IMETHODIMP_(bool) AddInSite::HasRetVal(int32_t nMethodPos) {
    VELMOR_NEED_CONTEXT(false);
    return context->HasRetVal(nMethodPos);
}
NS_IMETHODIMP_(int32_t) AddInSite::FindMethod(const char16_t* pszMethodName) {
    VELMOR_NEED_CONTEXT(-1);
    return context->FindMethod(pszMethodName);
}
NS_IMETHODIMP_(nsIVariant*) AddInSite::GetIContextDef() { return nullptr; }
NS_IMETHODIMP AddInSite::GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return guarded([&] { return context->GetPropVal(propPos, value, _retval); });
}
NS_IMETHODIMP AddInSite::SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) {
    VELMOR_NEED_CONTEXT(NS_ERROR_NOT_INITIALIZED);
    return guarded([&] { return context->SetPropVal(nPropPos, value, _retval); });
}

// As above.
NS_IMETHODIMP AddInSite::Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) {
    if (FindMethod(name) == -1) return NS_ERROR_INVALID_ARG;
    nsCOMPtr<IAddInSite> self(this);
    nsCOMPtr<IContextExt> context = m_context;
    return guarded([&] { return context->Call(name, params, _retval); });
}

NS_IMETHODIMP AddInSite::CallExt(const char16_t* name, nsIVariant* params, nsIVariant** retParams,
                            nsIVariant** _retval) {
    if (FindMethod(name) == -1) return NS_ERROR_INVALID_ARG;
    nsCOMPtr<IAddInSite> self(this);
    nsCOMPtr<IContextExt> context = m_context;
    return guarded([&] { return context->CallExt(name, params, retParams, _retval); });
}

#undef VELMOR_NEED_CONTEXT

// ---- IAddInSite / IAddInSiteExt

// The add-in's Init and the calls that follow may call back into the page, which may let go of
// this site from there.
NS_IMETHODIMP_(bool) AddInSite::Initialize(const char16_t* clsid, bool getInfo, AddInComponentType type,
                           const char16_t* filename) {
    const nsCOMPtr<IAddInSite> self(this);
    return native_boundary::guarded(false, [&] { return connect(clsid, getInfo, type, filename); });
}

bool AddInSite::connect(const char16_t* clsid, bool getInfo, AddInComponentType type,
                        const char16_t* filename) {
    m_type = type;
    AdapterChoice choice;
    if (!adapter_for_kind(type, choice)) return false;
    nsCOMPtr<nsISupports> adapter = do_CreateInstance(choice.contractId);
    m_adapt = do_QueryInterface(adapter.get());
    if (!m_adapt) return false;

    const bool ok = m_adapt->Initialize(static_cast<IInnerListener*>(this));
    m_context = do_QueryInterface(adapter.get());
    if (!ok) return false;

    const bool connected = m_adapt->Connect(clsid, choice.withLibrary ? filename : nullptr);
    if (!m_adapt->IsComponentLoaded()) return connected;
    if (m_locale.empty()) m_locale = getLocaleISO();
    m_adapt->SetLocale(m_locale.c_str());
    if (!connected) return false;

    m_version = static_cast<size_t>(-1);
    if (getInfo) m_version = static_cast<size_t>(static_cast<long>(m_adapt->GetInfo()));
    m_adapt->RegisterExtensionAs(m_contextName);
    return true;
}

NS_IMETHODIMP AddInSite::GetName(nsAString& name) {
    return guarded([&] {
        name.Assign(m_contextName);
        return NS_OK;
    });
}

NS_IMETHODIMP AddInSite::GetObject(nsISupports**) { return NS_ERROR_NOT_IMPLEMENTED; }

NS_IMETHODIMP_(uint32_t) AddInSite::GetVersion() { return static_cast<uint32_t>(m_version); }

NS_IMETHODIMP_(nsID) AddInSite::GetClsId() {
    if (m_adapt) return m_adapt->GetCLSID();
    nsID none;
    std::memset(&none, 0, sizeof none);
    return none;
}

NS_IMETHODIMP AddInSite::SetSiteEx(ICListener* site) {
    m_siteEx = do_QueryInterface(site);
    return NS_OK;
}

NS_IMETHODIMP_(ICListener*) AddInSite::GetSiteEx() { return m_siteEx.get(); }

NS_IMETHODIMP_(void) AddInSite::SetSiteEx2(ICListenerEx* site) {
    m_ExtListener = do_QueryInterface(site);
    if (m_ExtListener) m_newInterface = true;
    g_newIntrfc = m_newInterface;
    // The same page object is also this site's ICListener, when it is one.
    m_siteEx = do_QueryInterface(site);
}

NS_IMETHODIMP AddInSite::GetPropertyValue(const char16_t* name, nsIVariant** value) {
    const int32_t index = FindProp(name);
    if (index == -1) return NS_ERROR_INVALID_ARG;
    bool ok = false;  // stays false when the read throws
    nsCOMPtr<IAddInSite> self(this);
    nsCOMPtr<IContextExt> context = m_context;
    native_boundary::guarded([&] { context->GetPropVal(index, value, &ok); });
    return ok ? NS_OK : NS_ERROR_FAILURE;
}

NS_IMETHODIMP AddInSite::SetPropertyValue(const char16_t* name, nsIVariant* value) {
    const int32_t index = FindProp(name);
    if (index == -1) return NS_ERROR_INVALID_ARG;
    bool ok = false;
    nsCOMPtr<IAddInSite> self(this);
    nsCOMPtr<IContextExt> context = m_context;
    return guarded([&] { return context->SetPropVal(index, value, &ok); });
}

NS_IMETHODIMP AddInSite::SetLocale(const char16_t* locale) {
    return guarded([&] {
        m_locale = wcstring_of(locale);
        return NS_OK;
    });
}

NS_IMETHODIMP AddInSite::GetEventData(ICEventData** event) {
    if (event == nullptr) return NS_ERROR_NULL_POINTER;
    MonitorLock lock(m_mutex);
    *event = nullptr;
    if (m_deqEvents.empty()) return NS_OK;
    return guarded([&] {
        const ExternalEventData& oldest = m_deqEvents.front();
        nsCOMPtr<XCEventData> data = nsCOMPtr<XCEventData>(new XCEventData());
        data->Init(oldest.source, oldest.message, oldest.data);
        const nsresult rv =
            data->QueryInterface(NS_GET_IID(ICEventData), reinterpret_cast<void**>(event));
        if (NS_SUCCEEDED(rv)) dropOldest();
        return rv;
    });
}

// The add-in's Done may call back into the page, which may let go of this site from there.
NS_IMETHODIMP AddInSite::Done() {
    const nsCOMPtr<IAddInSite> self(this);
    if (m_adapt) m_adapt->Disconnect();
    return NS_OK;
}

// ---- IInnerListener: the event buffer (any thread)

NS_IMETHODIMP_(bool) AddInSite::SetEventBufferDepth(int32_t len) {
    const size_t depth = static_cast<size_t>(static_cast<long>(len));
    m_evtBufferLength = depth;
    MonitorLock lock(m_mutex);
    while (m_deqEvents.size() > depth) {
        m_bufferedBytes -= record_bytes(m_deqEvents.back());
        m_deqEvents.pop_back();
    }
    return true;
}

NS_IMETHODIMP_(int32_t) AddInSite::GetEventBufferDepth() { return static_cast<int32_t>(m_evtBufferLength.load()); }

NS_IMETHODIMP_(void) AddInSite::CleanEventBuffer() {
    MonitorLock lock(m_mutex);
    m_deqEvents.clear();
    m_bufferedBytes = 0;
}

void AddInSite::dropOldest() {
    m_bufferedBytes -= record_bytes(m_deqEvents.front());
    m_deqEvents.pop_front();
}

// Every external event is also kept here, in arrival order, while the buffer holds fewer
// records than its depth and stays within its bound whatever the depth; the page takes them
// oldest first through GetEventData. The buffer is a side road: an event it cannot keep (out of
// room or out of memory) still goes to the page.
void AddInSite::bufferEvent(const char16_t* who, const char16_t* what, const char16_t* data) {
    native_boundary::guarded([&] {
        const size_t bytes = record_bytes(text_length(who), text_length(what), text_length(data));
        MonitorLock lock(m_mutex);
        if (m_deqEvents.size() >= m_evtBufferLength.load()) return;
        if (bytes > kEventBufferBytes - m_bufferedBytes) return;
        m_deqEvents.push_back(
            ExternalEventData{wcstring_of(who), wcstring_of(what), wcstring_of(data)});
        m_bufferedBytes += bytes;
    });
}

// ---- IInnerListener: callbacks for the page

NS_IMETHODIMP_(bool) AddInSite::ExternalEvent(const char16_t* who, const char16_t* what, const char16_t* data) {
    return native_boundary::guarded(false, [&] { return passEvent(who, what, data); });
}

bool AddInSite::passEvent(const char16_t* who, const char16_t* what, const char16_t* data) {
    bufferEvent(who, what, data);
    if (nsCOMPtr<ICListener> listener = directListener()) {
        log_event("ExternalEvent: proccess event %S\n", data);
        listener->externalEvent(who, what, data);
        return true;
    }
    log_event("ExternalEvent: get event %S\n", data);
    // The queue copies them once; here they only stand over the caller's text.
    nsDependentString source(who);
    nsDependentString message(what);
    nsDependentString text(data);
    return queue([&](IAsyncManagerIntf& q, SiteReference& self) {
        return q.SetSiteEventData(self, source, message, text);
    });
}

NS_IMETHODIMP_(bool) AddInSite::AddError(uint16_t wcode, const char16_t* source, const char16_t* descr,
                         int32_t scode) {
    if (nsCOMPtr<ICListener> listener = directListener()) {
        bool answer = false;
        listener->addError(wcode, source, descr, scode, &answer);
        return true;
    }
    native_boundary::guarded([&] {
        queue([&](IAsyncManagerIntf& q, SiteReference& self) {
            return q.SetError(self, wcode, source, descr, scode);
        });
    });
    return false;
}

NS_IMETHODIMP_(bool) AddInSite::SetStatusLine(const char16_t* status) {
    if (nsCOMPtr<ICListener> listener = directListener()) {
        return listener->setStatusLine(status) == NS_OK;
    }
    native_boundary::guarded([&] {
        queue([&](IAsyncManagerIntf& q, SiteReference& self) {
            return q.SetSiteStatusLine(self, status);
        });
    });
    return false;
}

NS_IMETHODIMP_(void) AddInSite::ResetStatusLine() {
    if (nsCOMPtr<ICListener> listener = directListener()) {
        listener->resetStatusLine();
        return;
    }
    native_boundary::guarded([&] {
        queue([&](IAsyncManagerIntf& q, SiteReference& self) {
            return q.SetClearStatusLine(self);
        });
    });
}

NS_IMETHODIMP_(bool) AddInSite::Read(const char16_t* name, nsIVariant** value, int32_t* error,
                     nsAString& errDescriptor) {
    nsCOMPtr<ICListener> listener = directListener();
    if (listener == nullptr) {
        if (error != nullptr) *error = static_cast<int32_t>(kReadRefused);
        return false;
    }
    // No lock around the page's answer: the add-in's threads need the monitor for the event
    // buffer, and the answer may end the site, which waits for their calls.
    return listener->readValue(name, error, errDescriptor, value) == NS_OK;
}

NS_IMETHODIMP_(bool) AddInSite::Write(const char16_t* name, nsIVariant* value) {
    nsCOMPtr<ICListener> listener = directListener();
    if (listener == nullptr) return false;
    bool answer = false;
    listener->writeValue(name, value, &answer);  // no lock, as Read
    return answer;
}

NS_IMETHODIMP_(bool) AddInSite::RegisterProfileAs(const char16_t* name) {
    nsCOMPtr<ICListener> listener = directListener();
    if (listener == nullptr) return false;
    bool answer = false;
    listener->registerProfileAs(name, &answer);
    return answer;
}

// ---- IInnerListener: message boxes and platform information, through the extended listener

// The page's objects and the platform's dialogs belong to the main thread: from another
// thread these callbacks are refused like a missing extended listener.
bool AddInSite::extendedListenerAtHand() {
    return NS_IsMainThread() && m_newInterface && m_ExtListener;
}

nsCOMPtr<ICListenerEx> AddInSite::extendedListener() {
    if (!extendedListenerAtHand()) return nullptr;
    return m_ExtListener;
}

bool AddInSite::showPrompt(const char16_t* text, bool confirm, bool* answer) {
    nsCOMPtr<nsIPromptService> prompts = prompt_service();
    nsCOMPtr<nsIWindowWatcher> watcher = window_watcher();
    if (!prompts || !watcher) return false;
    nsCOMPtr<nsIDOMWindow> window;
    watcher->GetActiveWindow(getter_AddRefs(window));  // no active window is fine: the prompt has no parent
    const nsresult rv = confirm ? prompts->Confirm(window.get(), nullptr, text, answer)
                                : prompts->Alert(window.get(), nullptr, text);
    return rv == NS_OK;
}

NS_IMETHODIMP_(bool) AddInSite::AlertCB(const char16_t* text) {
    if (!extendedListenerAtHand()) return false;
    return native_boundary::guarded(false, [&] { return showPrompt(text, false, nullptr); });
}

NS_IMETHODIMP_(bool) AddInSite::ConfirmCB(const char16_t* text, nsIVariant** retVal) {
    return native_boundary::guarded(false, [&] { return askConfirmation(text, retVal); });
}

bool AddInSite::askConfirmation(const char16_t* text, nsIVariant** retVal) {
    if (!extendedListenerAtHand()) return false;
    bool answer = false;
    if (!showPrompt(text, true, &answer)) return false;
    if (retVal != nullptr) {
        nsCOMPtr<nsIWritableVariant> variant;
        if (createJSVariant(getter_AddRefs(variant))) {
            variant->SetAsBool(answer);
            *retVal = variant.forget().take();
        }
    }
    return true;
}

NS_IMETHODIMP_(bool) AddInSite::GetUserAgentCB(nsAString& text) {
    nsCOMPtr<ICListenerEx> listener = extendedListener();
    if (!listener) return false;
    try {
        return NS_SUCCEEDED(listener->getUserAgent(text));
    } catch (...) {
        return false;
    }
}

NS_IMETHODIMP_(bool) AddInSite::GetVersionCB(nsAString& text) {
    nsCOMPtr<ICListenerEx> listener = extendedListener();
    if (!listener) return false;
    try {
        return NS_SUCCEEDED(listener->getVersion(text));
    } catch (...) {
        return false;
    }
}

NS_IMETHODIMP_(bool) AddInSite::CreateObjectCB(const char16_t* name, nsIVariant** value) {
    nsCOMPtr<ICListenerEx> listener = extendedListener();
    if (!listener) return false;
    try {
        return NS_SUCCEEDED(listener->createObject(name, value));
    } catch (...) {
        return false;
    }
}

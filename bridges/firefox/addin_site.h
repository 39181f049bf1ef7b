#pragma once
// AddInSite: one add-in object as the page sees it (IAddInSite, IAddInSiteExt) and the target
// of its adapter's callbacks (IInnerListener). Callbacks that arrive on the main thread with a
// listener at hand go straight to the page; others go to the delivery queue, and those the
// page must answer at once (Read, Write, RegisterProfileAs) are refused off the main thread.

#include <atomic>
#include <deque>

#include "nsCOMPtr.h"
#include "prmon.h"
#include "site_interfaces.h"
#include "utf16_text.h"

struct ExternalEventData {
    wcstring source;
    wcstring message;
    wcstring data;
};

// Set by every SetSiteEx2 to that site's m_newInterface; the adapters read it, also on the
// add-in's threads.
extern std::atomic<bool> g_newIntrfc;

class AddInSite final : public IAddInSite, public IAddInSiteExt, public IInnerListener {
public:
    AddInSite();

    // nsISupports; the count is atomic: the reader thread takes references when it queues.
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    // IContextDefBase, IContext_, IContextExt: passed to the adapter.
    NS_IMETHOD GetNProps(int32_t* _retval) override;
    NS_IMETHOD GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) override;
    NS_IMETHOD IsPropReadable(int32_t propPos, bool* _retval) override;
    NS_IMETHOD IsPropWritable(int32_t propPos, bool* _retval) override;
    NS_IMETHOD_(int32_t) FindProp(const char16_t* pszPropName) override;
    NS_IMETHOD GetNMethods(int32_t* _retval) override;
    NS_IMETHOD GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) override;
    NS_IMETHOD GetNParams(int32_t nMethodPos, int32_t* _retval) override;
    NS_IMETHOD_(bool) IsParamIn(int32_t nMethodPos, int32_t nParamPos) override;
    NS_IMETHOD_(bool) IsParamOut(int32_t nMethodPos, int32_t nParamPos) override;
    NS_IMETHOD_(bool) GetParamDefValue(int32_t nMethodPos, int32_t nParamPos, nsIVariant** pDefVal) override;
    NS_IMETHOD_(bool) HasRetVal(int32_t nMethodPos) override;
    NS_IMETHOD_(int32_t) FindMethod(const char16_t* pszMethodName) override;
    NS_IMETHOD_(nsIVariant*) GetIContextDef() override;
    NS_IMETHOD GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) override;
    NS_IMETHOD SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) override;
    NS_IMETHOD Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) override;
    NS_IMETHOD CallExt(const char16_t* name, nsIVariant* params, nsIVariant** retParams,
                     nsIVariant** _retval) override;

    // IAddInSite / IAddInSiteExt
    NS_IMETHOD_(bool) Initialize(const char16_t* clsid, bool getInfo, AddInComponentType type,
                    const char16_t* filename) override;
    NS_IMETHOD GetName(nsAString& name) override;
    NS_IMETHOD GetObject(nsISupports** object) override;
    NS_IMETHOD_(uint32_t) GetVersion() override;
    NS_IMETHOD_(nsID) GetClsId() override;
    NS_IMETHOD SetSiteEx(ICListener* site) override;
    NS_IMETHOD_(ICListener*) GetSiteEx() override;
    NS_IMETHOD_(void) SetSiteEx2(ICListenerEx* site) override;
    NS_IMETHOD GetPropertyValue(const char16_t* name, nsIVariant** value) override;
    NS_IMETHOD SetPropertyValue(const char16_t* name, nsIVariant* value) override;
    NS_IMETHOD SetLocale(const char16_t* locale) override;
    NS_IMETHOD GetEventData(ICEventData** event) override;
    NS_IMETHOD Done() override;

    // IInnerListener
    NS_IMETHOD_(bool) SetEventBufferDepth(int32_t len) override;
    NS_IMETHOD_(int32_t) GetEventBufferDepth() override;
    NS_IMETHOD_(void) CleanEventBuffer() override;
    NS_IMETHOD_(bool) ExternalEvent(const char16_t* who, const char16_t* what, const char16_t* data) override;
    NS_IMETHOD_(bool) AddError(uint16_t wcode, const char16_t* source, const char16_t* descr,
                  int32_t scode) override;
    NS_IMETHOD_(bool) Read(const char16_t* name, nsIVariant** value, int32_t* error,
              nsAString& errDescriptor) override;
    NS_IMETHOD_(bool) Write(const char16_t* name, nsIVariant* value) override;
    NS_IMETHOD_(bool) RegisterProfileAs(const char16_t* name) override;
    NS_IMETHOD_(bool) SetStatusLine(const char16_t* status) override;
    NS_IMETHOD_(void) ResetStatusLine() override;
    NS_IMETHOD_(bool) AlertCB(const char16_t* text) override;
    NS_IMETHOD_(bool) ConfirmCB(const char16_t* text, nsIVariant** retVal) override;
    NS_IMETHOD_(bool) GetUserAgentCB(nsAString& text) override;
    NS_IMETHOD_(bool) CreateObjectCB(const char16_t* name, nsIVariant** value) override;
    NS_IMETHOD_(bool) GetVersionCB(nsAString& text) override;

private:
    typedef std::deque<ExternalEventData> EVENTDEQ;

    ~AddInSite();
    AddInSite(const AddInSite&) = delete;
    AddInSite& operator=(const AddInSite&) = delete;

    // A new reference to this site's IAddInSiteExt part, or null once the last reference is
    // gone (the site is being destroyed and takes no more callbacks).
    nsCOMPtr<IAddInSiteExt> tryReference();
    // Hands a callback to the delivery queue, which takes a new reference to this site when it
    // keeps the callback; false when it did not.
    template <class Append>
    bool queue(Append append);
    void bufferEvent(const char16_t* who, const char16_t* what, const char16_t* data);
    // Removes the oldest buffered record; m_mutex held, the buffer not empty.
    void dropOldest();
    // The bodies of Initialize, ExternalEvent and ConfirmCB, which run them guarded.
    bool connect(const char16_t* clsid, bool getInfo, AddInComponentType type,
                 const char16_t* filename);
    bool passEvent(const char16_t* who, const char16_t* what, const char16_t* data);
    bool askConfirmation(const char16_t* text, nsIVariant** retVal);
    // The listener, when this is the main thread and there is one; else null. The caller
    // holds it for its call: the page may give the site another listener meanwhile.
    nsCOMPtr<ICListener> directListener();
    // Whether the extended listener may be used now (given, and on the main thread).
    bool extendedListenerAtHand();
    // The extended listener when it may be used now, held for the caller's call; else null.
    nsCOMPtr<ICListenerEx> extendedListener();
    bool showPrompt(const char16_t* text, bool confirm, bool* answer);

    std::atomic<nsrefcnt> mRefCnt;
    EVENTDEQ m_deqEvents;
    std::atomic<size_t> m_evtBufferLength;
    size_t m_bufferedBytes;  // the records' bytes, within kEventBufferBytes; under m_mutex
    PRMonitor* m_mutex;
    nsCOMPtr<IContextExt> m_context;
    nsCOMPtr<IComponentDef> m_adapt;
    AddInComponentType m_type;
    wcstring m_locale;
    nsCOMPtr<ICListener> m_siteEx;
    nsCOMPtr<ICListenerEx> m_ExtListener;
    bool m_newInterface;
    size_t m_version;
    nsString m_contextName;
};

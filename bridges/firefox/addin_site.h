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

// Set by every SetSiteEx2 to that site's m_newInterface; the adapters read it.
extern bool g_newIntrfc;

class AddInSite final : public IAddInSite, public IAddInSiteExt, public IInnerListener {
public:
    AddInSite();

    // nsISupports; the count is atomic: the reader thread takes references when it queues.
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    // IContextDefBase, IContext_, IContextExt: passed to the adapter.
    nsresult GetNProps(int32_t* _retval) override;
    nsresult GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) override;
    nsresult IsPropReadable(int32_t propPos, bool* _retval) override;
    nsresult IsPropWritable(int32_t propPos, bool* _retval) override;
    int32_t FindProp(const char16_t* pszPropName) override;
    nsresult GetNMethods(int32_t* _retval) override;
    nsresult GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) override;
    nsresult GetNParams(int32_t nMethodPos, int32_t* _retval) override;
    bool IsParamIn(int32_t nMethodPos, int32_t nParamPos) override;
    bool IsParamOut(int32_t nMethodPos, int32_t nParamPos) override;
    bool GetParamDefValue(int32_t nMethodPos, int32_t nParamPos, nsIVariant** pDefVal) override;
    bool HasRetVal(int32_t nMethodPos) override;
    int32_t FindMethod(const char16_t* pszMethodName) override;
    nsIVariant* GetIContextDef() override;
    nsresult GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) override;
    nsresult SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) override;
    nsresult Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) override;
    nsresult CallExt(const char16_t* name, nsIVariant* params, nsIVariant** retParams,
                     nsIVariant** _retval) override;

    // IAddInSite / IAddInSiteExt
    bool Initialize(const char16_t* clsid, bool getInfo, AddInComponentType type,
                    const char16_t* filename) override;
    nsresult GetName(nsAString& name) override;
    nsresult GetObject(nsISupports** object) override;
    uint32_t GetVersion() override;
    nsID GetClsId() override;
    nsresult SetSiteEx(ICListener* site) override;
    ICListener* GetSiteEx() override;
    void SetSiteEx2(ICListenerEx* site) override;
    nsresult GetPropertyValue(const char16_t* name, nsIVariant** value) override;
    nsresult SetPropertyValue(const char16_t* name, nsIVariant* value) override;
    nsresult SetLocale(const char16_t* locale) override;
    nsresult GetEventData(ICEventData** event) override;
    nsresult Done() override;

    // IInnerListener
    bool SetEventBufferDepth(int32_t len) override;
    int32_t GetEventBufferDepth() override;
    void CleanEventBuffer() override;
    void ExternalEvent(const char16_t* who, const char16_t* what, const char16_t* data) override;
    bool AddError(uint16_t wcode, const char16_t* source, const char16_t* descr,
                  int32_t scode) override;
    bool Read(const char16_t* name, nsIVariant** value, int32_t* error,
              nsAString& errDescriptor) override;
    bool Write(const char16_t* name, nsIVariant* value) override;
    bool RegisterProfileAs(const char16_t* name) override;
    bool SetStatusLine(const char16_t* status) override;
    void ResetStatusLine() override;
    bool AlertCB(const char16_t* text) override;
    bool ConfirmCB(const char16_t* text, nsIVariant** retVal) override;
    bool GetUserAgentCB(nsAString& text) override;
    bool CreateObjectCB(const char16_t* name, nsIVariant** value) override;
    bool GetVersionCB(nsAString& text) override;

private:
    typedef std::deque<ExternalEventData> EVENTDEQ;

    ~AddInSite();
    AddInSite(const AddInSite&) = delete;
    AddInSite& operator=(const AddInSite&) = delete;

    // A new reference to this site's IAddInSiteExt part, or null once the last reference is
    // gone (the site is being destroyed and takes no more callbacks).
    nsCOMPtr<IAddInSiteExt> tryReference();
    // Hands a callback to the delivery queue with a new reference to this site.
    template <class Append>
    void queue(Append append);
    void bufferEvent(const char16_t* who, const char16_t* what, const char16_t* data);
    // The listener, when this is the main thread and there is one; else null.
    ICListener* directListener();
    // Whether the extended listener may be used now (given, and on the main thread).
    bool extendedListenerAtHand();
    bool showPrompt(const char16_t* text, bool confirm, bool* answer);

    std::atomic<nsrefcnt> mRefCnt;
    EVENTDEQ m_deqEvents;
    std::atomic<size_t> m_evtBufferLength;
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

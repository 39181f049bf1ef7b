#pragma once
// AddInSite: one add-in object as the page sees it. It owns an adapter, offers
// the page the component's properties and methods, and turns the add-in's callbacks into
// callback messages.

#include <atomic>

#include "adapter_context.h"
#include "addinlib.h"
#include "scriptable_class.h"

class AddInSite : public ScriptableClass<AddInSite> {
public:
    enum Msgs { eMConfirm = 0, eMAlert = 1 };

    AddInSite();
    ~AddInSite() override;

    bool methodsProc(int callMode, const std::string& name, JsValue& args,
                     CNPVariant& result) override;

    // For the service.
    void setLocale(const UnicodeString& locale) { m_locale = locale; }
    void initialize(const UnicodeString& clsid, bool getInfo, AddInComponentType type,
                    const UnicodeString& filename);
    const UnicodeChar* getName() const { return m_contextName.c_str(); }
    long getVersion() const { return m_version; }

    // Callbacks from the adapter; they may come from the add-in's own threads.
    bool AddError(unsigned short wcode, const UnicodeChar* source, const UnicodeChar* descr,
                  long scode);
    bool Read(const UnicodeChar* name, CNPVariant& value);
    bool Write(const UnicodeChar* name, const CNPVariant& value);
    bool RegisterProfileAs(const UnicodeChar* name);
    void ExternalEvent(const UnicodeChar* source, const UnicodeChar* message,
                       const UnicodeChar* data);
    bool SetStatusLine(const UnicodeChar* statusLine);
    void ResetStatusLine();
    bool SetEventBufferDepth(long lDepth);
    long GetEventBufferDepth() const;
    void CleanEventBuffer() {}

    // Dialogs and platform information (Linux: no dialogs are shown).
    bool alertCB(const UnicodeChar* text);
    bool confirmCB(const UnicodeChar* text, CNPVariant& answer);
    void getVersionCB(UnicodeString& version) const;
    void getUserAgentCB(UnicodeString& userAgent) const;

private:
    void getPropertyValue(JsValue& args, CNPVariant& result);
    void setPropertyValue(JsValue& args, CNPVariant& result);
    void callExt(JsValue& args, CNPVariant& result);
    void done(JsValue& args, CNPVariant& result);
    // The adapter with a loaded component, or lib_exception "Invalid operation": before a
    // component was loaded, and after "done", the adapter has nothing to drive.
    IAdapterContext& loadedContext();
    void messages(Msgs kind) { (void)kind; }
    void sendCallback(const char* method, const JsValue& params);

    UnicodeString m_locale;
    UnicodeString m_contextName;
    IAdapterContext* m_context;
    long m_version;
    std::atomic<long> m_queueLen;  // set and read by the add-in's reader thread

    // Dialog state: the Linux host shows no dialogs, so only the counter is kept.
    uint32_t m_dialogs;
};

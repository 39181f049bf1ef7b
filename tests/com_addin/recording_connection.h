#pragma once
// The tests' connection object: a minimal bridge side built on the shared COM add-in code. It
// connects one add-in object, records every host call the add-in makes (from any thread),
// serves the dispatch table, and counts its own references.

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "addin_connection.h"
#include "com_addin_interfaces.h"
#include "connection_methods.h"
#include "platform_record.h"

namespace com_test {

class RecordingConnection : public com_addin::ConnectionDispatch<IDispatch>,
                            public com_addin::IAsyncEvent,
                            public com_addin::IStatusLine,
                            public com_addin::IPropertyProfile,
                            public IErrorLog,
                            public com_addin::IExtWndsSupport,
                            public com_addin::IMsgBox,
                            public com_addin::IPlatformInfo,
                            public com_addin::IContext,
                            public com_addin::ConnectionOperations {
public:
    static constexpr wchar_t kAppVersion[] = L"8.3.1";
    static constexpr wchar_t kUserAgent[] = L"TestAgent/1.0";

    RecordingConnection();
    ~RecordingConnection() override;

    com_addin::AddInConnection& addIn() { return m_addIn; }
    com_addin::ConnectOutcome connect(const std::wstring& progId);
    IDispatch* dispatch() { return static_cast<IDispatch*>(this); }
    LONG references() const { return m_refs; }
    // Called on every error report the add-in makes, after it is recorded.
    std::function<void()> onError;

    std::vector<std::wstring> calls() const;
    void clearCalls();
    // Waits until `count` external events have come, or the deadline passes.
    bool waitForEvents(size_t count, std::chrono::milliseconds deadline) const;
    std::vector<std::wstring> events() const;

    // IUnknown, one for every part
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IAsyncEvent
    STDMETHODIMP SetEventBufferDepth(long depth) override;
    STDMETHODIMP GetEventBufferDepth(long* depth) override;
    STDMETHODIMP ExternalEvent(BSTR source, BSTR message, BSTR data) override;
    STDMETHODIMP CleanEventBuffer() override;
    // IStatusLine
    STDMETHODIMP SetStatusLine(BSTR text) override;
    STDMETHODIMP ResetStatusLine() override;
    // IPropertyProfile; a name never written reads as a failure reported to the log
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;
    STDMETHODIMP RegisterProfileAs(BSTR name) override;
    // IErrorLog
    STDMETHODIMP AddError(LPCOLESTR name, EXCEPINFO* info) override;
    // IExtWndsSupport
    STDMETHODIMP GetAppMainFrame(long* frame) override;
    STDMETHODIMP GetAppMDIFrame(long* frame) override;
    STDMETHODIMP CreateAddInWindow(BSTR, BSTR, long, long, RECT*, long, long*,
                                   IDispatch**) override;
    // IMsgBox: Confirm answers yes
    STDMETHODIMP Confirm(BSTR text, VARIANT* answer) override;
    STDMETHODIMP Alert(BSTR text) override;
    // IPlatformInfo
    STDMETHODIMP GetPlatformInfo(com_addin::PlatformInfoRecord** info) override;
    // IContext: the connected object's own properties and methods
    STDMETHODIMP getPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP setPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP call(BSTR name, VARIANT* params, VARIANT* result) override;

    // ConnectionOperations
    com_addin::IPropertyProfile* profile() override { return this; }
    com_addin::IAsyncEvent* asyncEvent() override { return this; }
    com_addin::IStatusLine* statusLine() override { return this; }
    com_addin::IContext* context() override { return this; }
    HRESULT reportError(unsigned short wCode, BSTR source, BSTR description,
                        long scode) override;

protected:
    com_addin::ConnectionOperations& connectionOperations() override { return *this; }

private:
    void record(const std::wstring& call);

    volatile LONG m_refs = 1;
    com_addin::AddInConnection m_addIn;
    com_addin::PlatformRecords m_platform;
    volatile LONG m_depth = 1;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_eventCame;
    std::vector<std::wstring> m_calls;
    std::vector<std::wstring> m_events;
    std::map<std::wstring, VARIANT> m_profile;
};

std::wstring text(BSTR value);

}  // namespace com_test

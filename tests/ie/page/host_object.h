#pragma once
// The page's "host" object (see page_host.h).

#include <windows.h>

#include <chrono>
#include <string>

namespace velmor_test {

class ScannerLine;

class HostObject : public IDispatch {
public:
    explicit HostObject(ScannerLine* line);
    virtual ~HostObject() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override;

    bool finished() const { return m_finished; }
    bool passed() const { return m_passed; }
    // The text the page passed with.
    const std::string& passText() const { return m_passText; }
    // A failure is printed at once; a pass only says that teardown follows, since the page
    // has not passed until the host has torn it down cleanly.
    void finish(bool passed, const std::string& text);

private:
    double now() const;
    // Runs the loop until `until` (when given) answers true or the time is up.
    bool pump(double ms, IDispatch* until);
    // Writes a code into the line and reads it off the scanner's port directly, with the
    // add-in's read settings: ms until its CR arrived, or -1.
    double plainScan(const std::wstring& text);

    ULONG m_ref = 1;
    ScannerLine* m_line;
    std::chrono::steady_clock::time_point m_start;
    bool m_finished = false;
    bool m_passed = false;
    std::string m_passText;
};

// One message-loop step: waits up to `ms` for a message and dispatches what is there.
void pump_messages(DWORD ms);

std::string utf8(const wchar_t* text, int length = -1);

}  // namespace velmor_test

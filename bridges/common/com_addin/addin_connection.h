#pragma once
// One object of a COM add-in, as every Windows bridge's COM adapter connects, drives and
// disconnects it. The adapter stays the connection object; this holds the object's
// references and performs the steps that the bridges share. Each bridge decides what a
// failure means for its own caller.

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "com_addin_interfaces.h"

namespace com_addin {

struct ConnectOutcome {
    HRESULT coInitialize = E_FAIL;  // S_OK or S_FALSE must be balanced by CoUninitialize
    HRESULT created = E_FAIL;       // a failure of CLSIDFromProgID or CoCreateInstance
    HRESULT initQuery = E_NOINTERFACE;  // the QueryInterface for IInitDoneCom
    HRESULT init = S_FALSE;             // Init's result; S_FALSE when Init was not called
};

struct VersionOutcome {
    HRESULT getInfo = E_FAIL;  // E_FAIL without an init interface
    long version = 0;
};

class AddInConnection {
public:
    AddInConnection() = default;
    // Releases whatever is still held, without Done.
    ~AddInConnection();
    AddInConnection(const AddInConnection&) = delete;
    AddInConnection& operator=(const AddInConnection&) = delete;

    // CoInitialize, CLSIDFromProgID, CoCreateInstance (in-process or out, for IUnknown), the
    // two queries, then Init with `connection` when the object has IInitDoneCom. A connection
    // that holds an object refuses another (created E_UNEXPECTED, nothing called).
    ConnectOutcome connect(const std::wstring& progId, IDispatch* connection);

    bool loaded() const { return m_extender != nullptr; }
    IUnknown* object() const { return m_object; }
    IInitDoneCom* initDone() const { return m_init; }
    ILanguageExtenderCom* extender() const { return m_extender; }
    const std::wstring& progId() const { return m_progId; }
    const CLSID& clsid() const { return m_clsid; }

    // E_FAIL without an object, E_NOINTERFACE when it has no ILocaleCom (it then gets no
    // locale), else SetLocale's result.
    HRESULT setLocale(const wchar_t* locale);
    // GetInfo on a fresh information array and the version read from element 0, whatever
    // GetInfo answered.
    VersionOutcome readVersion();

    // Disconnecting, in its order; a bridge that stops after a failed Done calls the steps.
    void releaseExtender();
    HRESULT callDone();  // S_OK without an init interface
    void releaseObject();  // the init interface, the object, then CoFreeUnusedLibraries
    // All three; Done's result.
    HRESULT disconnect();

private:
    void releaseAll();

    std::wstring m_progId;
    CLSID m_clsid = {};
    IUnknown* m_object = nullptr;
    IInitDoneCom* m_init = nullptr;
    ILanguageExtenderCom* m_extender = nullptr;
};

}  // namespace com_addin

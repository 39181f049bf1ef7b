#include "page_host.h"

#include <initguid.h>

#include <activscp.h>
#include <comcat.h>
#include <objsafe.h>
#include <urlmon.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <fstream>
#include <sstream>

#include "host_object.h"
#include "scanner_line.h"

namespace velmor_test {

namespace {

// GUID_CUSTOM_CONFIRMOBJECTSAFETY, which mingw's libraries do not define.
const GUID kConfirmObjectSafety = {
    0x10200490, 0xFA38, 0x11D0, {0xAC, 0x0E, 0x00, 0xA0, 0xC9, 0x0F, 0xFF, 0xC0}};

const CATID kSafeForScripting = {
    0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};

// As Internet Explorer's zone policy for a trusted page: objects may run, and an object is
// let in when its class is registered as safe for scripting.
class SecurityManager : public IInternetHostSecurityManager {
public:
    virtual ~SecurityManager() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IInternetHostSecurityManager)) {
            *out = static_cast<IInternetHostSecurityManager*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetSecurityId(BYTE*, DWORD*, DWORD_PTR) override { return E_NOTIMPL; }
    STDMETHODIMP ProcessUrlAction(DWORD, BYTE* policy, DWORD size, BYTE*, DWORD, DWORD,
                                  DWORD) override {
        if (policy == nullptr || size < sizeof(DWORD)) return E_INVALIDARG;
        *reinterpret_cast<DWORD*>(policy) = URLPOLICY_ALLOW;
        return S_OK;
    }
    STDMETHODIMP QueryCustomPolicy(REFGUID key, BYTE** policy, DWORD* size, BYTE* context,
                                   DWORD contextSize, DWORD) override {
        if (!IsEqualGUID(key, kConfirmObjectSafety) || context == nullptr ||
            contextSize < sizeof(CONFIRMSAFETY)) {
            return E_NOTIMPL;
        }
        const CONFIRMSAFETY* object = reinterpret_cast<const CONFIRMSAFETY*>(context);
        DWORD* answer = static_cast<DWORD*>(CoTaskMemAlloc(sizeof(DWORD)));
        if (answer == nullptr) return E_OUTOFMEMORY;
        *answer = safeForScripting(object->clsid) ? URLPOLICY_ALLOW : URLPOLICY_DISALLOW;
        *policy = reinterpret_cast<BYTE*>(answer);
        *size = sizeof(DWORD);
        return S_OK;
    }

private:
    static bool safeForScripting(REFCLSID clsid) {
        ICatInformation* categories = nullptr;
        if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr,
                                    CLSCTX_INPROC_SERVER, IID_ICatInformation,
                                    reinterpret_cast<void**>(&categories)))) {
            return false;
        }
        CATID wanted = kSafeForScripting;
        const bool safe = categories->IsClassOfCategories(clsid, 1, &wanted, 0, nullptr) == S_OK;
        categories->Release();
        return safe;
    }
};

class ScriptSite : public IActiveScriptSite, public IServiceProvider {
public:
    explicit ScriptSite(HostObject* host) : m_host(host) {}
    virtual ~ScriptSite() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScriptSite)) {
            *out = static_cast<IActiveScriptSite*>(this);
        } else if (IsEqualIID(iid, IID_IServiceProvider)) {
            *out = static_cast<IServiceProvider*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** out) override {
        if (IsEqualGUID(service, SID_SInternetHostSecurityManager)) {
            return m_security.QueryInterface(iid, out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    STDMETHODIMP GetLCID(LCID* lcid) override {
        *lcid = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                             ITypeInfo** info) override {
        if (info != nullptr) *info = nullptr;
        if (item != nullptr) *item = nullptr;
        if (lstrcmpW(name, L"host") != 0) return TYPE_E_ELEMENTNOTFOUND;
        if ((mask & SCRIPTINFO_IUNKNOWN) != 0 && item != nullptr) {
            m_host->AddRef();
            *item = m_host;
        }
        return S_OK;
    }
    STDMETHODIMP GetDocVersionString(BSTR* version) override {
        *version = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override {
        EXCEPINFO info{};
        error->GetExceptionInfo(&info);
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetSourcePosition(&context, &line, &column);
        std::string text = "uncaught script error at line " + std::to_string(line + 1) + ": ";
        if (info.bstrDescription != nullptr) text += utf8(info.bstrDescription);
        char code[32];
        std::snprintf(code, sizeof code, " (0x%08lx)", static_cast<unsigned long>(info.scode));
        text += code;
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        m_host->finish(false, text);
        return S_OK;
    }
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

private:
    HostObject* m_host;
    SecurityManager m_security;
};

bool read_file(const std::wstring& path, std::wstring* text) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return false;
    std::string bytes;
    char buffer[4096];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
    std::fclose(file);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    text->assign(static_cast<size_t>(length), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &(*text)[0],
                            length);
    }
    return true;
}

// Wine makes the mapped COM ports' devices while the program starts: a test that has them
// (its relay names them in WINE_RUN_PORTS) waits for them, up to a deadline.
std::unique_ptr<ScannerLine> open_scanner_line() {
    constexpr DWORD kPortsDeadlineMs = 10000;
    const wchar_t* ports = _wgetenv(L"WINE_RUN_PORTS");
    const bool expected = ports != nullptr && wcsstr(ports, L"COM6") != nullptr;
    const DWORD start = GetTickCount();
    std::unique_ptr<ScannerLine> line(new ScannerLine());
    while (expected && !line->error().empty() && GetTickCount() - start < kPortsDeadlineMs) {
        pump_messages(50);
        line.reset(new ScannerLine());
    }
    return line;
}

PageResult fail(const char* what, HRESULT hr) {
    std::printf("page: FAIL %s (0x%08lx)\n", what, static_cast<unsigned long>(hr));
    return PageResult();
}

}  // namespace

PageResult run_page(const std::vector<std::wstring>& paths, DWORD deadlineMs) {
    std::wstring script;
    for (const std::wstring& path : paths) {
        std::wstring part;
        if (!read_file(path, &part)) return fail("cannot read a page script", E_FAIL);
        script += part + L"\n";
    }
    std::unique_ptr<ScannerLine> line = open_scanner_line();
    if (!line->error().empty()) std::printf("page: log scanner line: %s\n", line->error().c_str());
    HostObject host(line.get());
    ScriptSite site(&host);

    CLSID jscript;
    HRESULT hr = CLSIDFromProgID(L"JScript", &jscript);
    if (FAILED(hr)) return fail("no JScript engine", hr);
    IActiveScript* engine = nullptr;
    hr = CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                          reinterpret_cast<void**>(&engine));
    if (FAILED(hr)) return fail("cannot create the JScript engine", hr);
    // What Internet Explorer asks of its engine: untrusted data, IDispatchEx, and a security
    // manager that decides which objects the page may create.
    IObjectSafety* safety = nullptr;
    if (SUCCEEDED(engine->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)))) {
        const DWORD options = INTERFACESAFE_FOR_UNTRUSTED_DATA | INTERFACE_USES_DISPEX |
                              INTERFACE_USES_SECURITY_MANAGER;
        safety->SetInterfaceSafetyOptions(IID_IActiveScriptParse, options, options);
        safety->Release();
    }
    IActiveScriptParse* parser = nullptr;
    hr = engine->QueryInterface(IID_IActiveScriptParse, reinterpret_cast<void**>(&parser));
    if (FAILED(hr)) return fail("no IActiveScriptParse", hr);
    hr = engine->SetScriptSite(&site);
    if (SUCCEEDED(hr)) hr = parser->InitNew();
    if (SUCCEEDED(hr)) hr = engine->AddNamedItem(L"host", SCRIPTITEM_ISVISIBLE);
    if (FAILED(hr)) return fail("cannot set the engine up", hr);
    hr = engine->SetScriptState(SCRIPTSTATE_STARTED);
    if (SUCCEEDED(hr)) {
        hr = parser->ParseScriptText(script.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                     SCRIPTTEXT_ISVISIBLE, nullptr, nullptr);
    }
    if (SUCCEEDED(hr)) hr = engine->SetScriptState(SCRIPTSTATE_CONNECTED);
    // The page's steps after its first one run from the timer and from events: the page
    // thread's loop goes on until the page says how it went.
    const DWORD start = GetTickCount();
    while (!host.finished() && GetTickCount() - start < deadlineMs) pump_messages(50);
    if (!host.finished()) {
        char started[16];
        std::snprintf(started, sizeof started, "0x%08lx", static_cast<unsigned long>(hr));
        host.finish(false, "the page gave no result within " + std::to_string(deadlineMs / 1000) +
                               " s (script start " + started + ")");
    }
    engine->Close();
    parser->Release();
    engine->Release();
    PageResult result;
    result.passed = host.passed();
    result.passText = host.passText();
    return result;
}

}  // namespace velmor_test

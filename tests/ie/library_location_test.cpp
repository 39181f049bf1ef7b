// What a page's location may bring into the process, as a compiled client of the server:
// a library planted in the current folder under the name of a registered ProgID (bare and
// with ".dll") is never loaded, run or registered, in the native build and in the build of
// kind 1. The first loads only the add-in beside the server, whatever the location says; the
// second reaches a registered class only through COM, by its CLSID.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "com_ref.h"
#include "fixed_listener.h"
#include "planted_folder.h"
#include "quillon_ie.h"
#include "server_interfaces.h"
#include "server_setup.h"

namespace {

using velmor_test::create;
using velmor_test::narrow;
using velmor_test::Ref;

// A page's listener that keeps the keys the service tells it.
class KeyListener : public velmor_test::FixedListener {
public:
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        ids[0] = std::wcscmp(names[0], L"registerClassName") == 0 ? 1 : 2;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                        EXCEPINFO*, UINT*) override {
        if (id == 1 && params->cArgs == 1 && params->rgvarg[0].vt == VT_BSTR) {
            m_keys.push_back(narrow(params->rgvarg[0].bstrVal));
        }
        return S_OK;
    }
    std::vector<std::string> m_keys;
};

struct Location {
    const wchar_t* url;             // a registered ProgID
    HRESULT loaded;                 // what loadAddIn answers
    std::vector<std::string> keys;  // what the page is told
};

// Loads each location under the name "x" with a service of its own, in a folder where the
// planted library lies under the location's name, bare and with ".dll".
void expect_nothing_planted_runs(const std::vector<Location>& locations, short kind) {
    for (const Location& location : locations) {
        SCOPED_TRACE(narrow(location.url));
        CLSID clsid;
        ASSERT_EQ(CLSIDFromProgID(location.url, &clsid), S_OK) << "not a registered ProgID";
        const std::wstring url = location.url;
        com_test::PlantedFolder folder(com_test::planted_library_beside_program(),
                                       {url, url + L".dll"});
        ASSERT_TRUE(folder.ready()) << "cannot plant the library";
        KeyListener listener;
        {
            Ref<quillon::IAddInServiceExFull> service;
            ASSERT_EQ(create(CLSID_AddInServiceEx, quillon::IID_IAddInServiceExFull,
                             service.putVoid()),
                      S_OK);
            service->init(&listener);
            BSTR name = SysAllocString(L"x");
            BSTR text = SysAllocString(location.url);
            EXPECT_EQ(service->loadAddIn(name, text, kind), location.loaded);
            SysFreeString(text);
            SysFreeString(name);
        }
        EXPECT_EQ(folder.ran(), "") << "the planted library was loaded";
        EXPECT_EQ(listener.m_keys, location.keys);
    }
}

// The native build: the add-in beside the server is what every location loads.
TEST(NativeServer, LoadsOnlyTheAddInBesideItWhateverTheLocation) {
    expect_nothing_planted_runs({{L"QuillonIE.AddInSite", S_OK, {"x.Scandor"}},
                                 {L"htmlfile", S_OK, {"x.Scandor"}}},
                                2);
}

// The build of kind 1: a registered ProgID is the one class, created by COM from its own
// registration; one that is no add-in is refused without anything being loaded for it.
TEST(ComServer, CreatesARegisteredClassOnlyThroughCom) {
    expect_nothing_planted_runs({{L"AddIn.Probe", S_OK, {"x.Probe"}},
                                 {L"QuillonIE.AddInSite", E_FAIL, {}},
                                 {L"htmlfile", E_FAIL, {}}},
                                1);
}

}  // namespace

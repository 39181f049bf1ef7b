// Registration through the server's exports, key by key, in a prefix of its own: always
// under HKEY_CURRENT_USER\Software\Classes, whatever the caller asks.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server_setup.h"

namespace {

using velmor_test::call_server_export;
using velmor_test::narrow;
using velmor_test::registry_key_exists;
using velmor_test::registry_text;
using velmor_test::server_module;
using velmor_test::server_path;

const std::wstring kUserClasses = L"Software\\Classes\\";
const wchar_t kLibId[] = L"{6A7CA436-A0DC-46C9-98FD-C12A87ACB65D}";
const GUID kLibGuid = {0x6A7CA436, 0xA0DC, 0x46C9, {0x98, 0xFD, 0xC1, 0x2A, 0x87, 0xAC, 0xB6, 0x5D}};

struct ClassKeys {
    const wchar_t* progId;
    const wchar_t* clsid;
    const wchar_t* description;
    bool safe;  // in the two "safe" categories
};
const ClassKeys kClasses[] = {
    {L"QuillonIE.AddInServiceEx", L"{CD5C6669-A272-443A-BB28-A5F940D1BE52}",
     L"AddInServiceEx Class", true},
    {L"QuillonIE.AdapterCOM", L"{945FAC93-1555-43B8-A0F3-2CF53127659B}", L"AdapterCOM Class",
     false},
    {L"QuillonIE.AdapterNative", L"{580AB4CC-E4CB-4D54-BCCD-CF43D27CB2C8}",
     L"AdapterNative Class", false},
    {L"QuillonIE.AddInSite", L"{3D654839-AD7A-4251-A96A-517FFB8576F3}", L"AddInSite Class", true},
    {L"ButtonIE", L"{1B58ABD3-AE96-4867-80E8-CF1C6462BCAA}", L"ButtonIE Class", false},
};
const wchar_t* const kCategories[] = {L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
                                      L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}"};

struct Expected {
    std::wstring key;  // under HKCU\Software\Classes
    const wchar_t* value;  // null: the default value
    std::wstring data;
};

std::vector<Expected> expected_values() {
    std::vector<Expected> all = {{L"AppID\\QuillonIE", nullptr, L"QuillonIE"},
                                 {L"AppID\\VelmorQuillonIE64.dll", L"AppID", L"QuillonIE"}};
    for (const ClassKeys& c : kClasses) {
        const std::wstring versioned = std::wstring(c.progId) + L".1";
        const std::wstring clsidKey = std::wstring(L"CLSID\\") + c.clsid;
        all.push_back({versioned, nullptr, c.description});
        all.push_back({versioned + L"\\CLSID", nullptr, c.clsid});
        all.push_back({c.progId, nullptr, c.description});
        all.push_back({std::wstring(c.progId) + L"\\CLSID", nullptr, c.clsid});
        all.push_back({std::wstring(c.progId) + L"\\CurVer", nullptr, versioned});
        all.push_back({clsidKey, nullptr, c.description});
        all.push_back({clsidKey + L"\\ProgID", nullptr, versioned});
        all.push_back({clsidKey + L"\\VersionIndependentProgID", nullptr, c.progId});
        all.push_back({clsidKey + L"\\InprocServer32", nullptr, server_path()});
        all.push_back({clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
        all.push_back({clsidKey + L"\\TypeLib", nullptr, kLibId});
    }
    return all;
}

// Every key the scripts make, besides the shared AppID and CLSID keys.
std::vector<std::wstring> created_keys() {
    std::vector<std::wstring> keys = {L"AppID\\QuillonIE", L"AppID\\VelmorQuillonIE64.dll"};
    for (const ClassKeys& c : kClasses) {
        keys.push_back(c.progId);
        keys.push_back(std::wstring(c.progId) + L".1");
        keys.push_back(std::wstring(L"CLSID\\") + c.clsid);
    }
    return keys;
}

void expect_registered() {
    for (const Expected& e : expected_values()) {
        bool exists = false;
        const std::wstring data = registry_text(HKEY_CURRENT_USER, kUserClasses + e.key, e.value,
                                                &exists);
        EXPECT_TRUE(exists) << narrow(e.key) << " " << (e.value ? narrow(e.value) : "(default)");
        EXPECT_EQ(narrow(data), narrow(e.data)) << narrow(e.key);
        // Nothing goes to the machine's classes.
        bool machine = false;
        registry_text(HKEY_LOCAL_MACHINE, kUserClasses + e.key, e.value, &machine);
        EXPECT_FALSE(machine) << narrow(e.key) << " also under HKLM";
    }
    for (const ClassKeys& c : kClasses) {
        const std::wstring clsidKey = kUserClasses + L"CLSID\\" + c.clsid;
        EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, clsidKey + L"\\Programmable"))
            << narrow(c.progId);
        // The categories manager writes where the class view of the registry puts them.
        for (const wchar_t* category : kCategories) {
            const std::wstring key = std::wstring(L"CLSID\\") + c.clsid +
                                     L"\\Implemented Categories\\" + category;
            EXPECT_EQ(registry_key_exists(HKEY_CLASSES_ROOT, key), c.safe) << narrow(c.progId);
        }
    }
    BSTR path = nullptr;
    ASSERT_EQ(QueryPathOfRegTypeLib(kLibGuid, 1, 0, 0x409, &path), S_OK);
    EXPECT_EQ(lstrcmpiW(path, server_path().c_str()), 0) << narrow(path);
    SysFreeString(path);
}

void expect_unregistered() {
    for (const std::wstring& key : created_keys()) {
        EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, kUserClasses + key)) << narrow(key);
    }
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, kUserClasses + L"AppID"));
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, kUserClasses + L"CLSID"));
    for (const ClassKeys& c : kClasses) {
        EXPECT_FALSE(registry_key_exists(
            HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + c.clsid + L"\\Implemented Categories"))
            << narrow(c.progId);
    }
    BSTR path = nullptr;
    EXPECT_NE(QueryPathOfRegTypeLib(kLibGuid, 1, 0, 0x409, &path), S_OK);
    SysFreeString(path);
}

typedef HRESULT(STDAPICALLTYPE* DllInstallPtr)(BOOL, LPCWSTR);
HRESULT dll_install(BOOL install, const wchar_t* commandLine) {
    auto entry = reinterpret_cast<DllInstallPtr>(
        reinterpret_cast<void*>(GetProcAddress(server_module(), "DllInstall")));
    return entry != nullptr ? entry(install, commandLine) : E_NOINTERFACE;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server_module(), nullptr);
        CoInitialize(nullptr);
    }
    void TearDown() override {
        call_server_export("DllUnregisterServer");
        CoUninitialize();
    }
};

TEST_F(Registration, RegisterServerWritesEveryKeyPerUser) {
    ASSERT_EQ(call_server_export("DllRegisterServer"), S_OK);
    expect_registered();
}

TEST_F(Registration, InstallIsPerUserWhateverTheCommandLine) {
    for (const wchar_t* commandLine : {L"machine", static_cast<const wchar_t*>(nullptr), L"USER"}) {
        SCOPED_TRACE(commandLine ? narrow(commandLine) : "null");
        ASSERT_EQ(dll_install(TRUE, commandLine), S_OK);
        expect_registered();
        ASSERT_EQ(dll_install(FALSE, commandLine), S_OK);
        expect_unregistered();
    }
}

TEST_F(Registration, RegisteringAgainLeavesOneSetOfKeys) {
    ASSERT_EQ(call_server_export("DllRegisterServer"), S_OK);
    // Something left under a class key goes with it: the key is replaced whole.
    const std::wstring clsidKey = kUserClasses + L"CLSID\\" + kClasses[0].clsid;
    HKEY stray = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (clsidKey + L"\\Stray").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &stray, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stray);
    ASSERT_EQ(call_server_export("DllRegisterServer"), S_OK);
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, clsidKey + L"\\Stray"));
    expect_registered();
}

TEST_F(Registration, UnregisterKeepsTheSharedKeysAndRemovesTheRest) {
    ASSERT_EQ(call_server_export("DllRegisterServer"), S_OK);
    // A key someone else keeps under the shared CLSID key stays.
    HKEY other = nullptr;
    const std::wstring otherKey = kUserClasses + L"CLSID\\{00000000-1111-2222-3333-444444444444}";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, otherKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &other, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(other);
    ASSERT_EQ(call_server_export("DllUnregisterServer"), S_OK);
    expect_unregistered();
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, otherKey));
}

TEST(ClassObjects, FactoriesForTheFiveClassesOnly) {
    ASSERT_NE(server_module(), nullptr);
    typedef HRESULT(STDAPICALLTYPE * GetClassObjectPtr)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectPtr>(
        reinterpret_cast<void*>(GetProcAddress(server_module(), "DllGetClassObject")));
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(server_module(), "DllCanUnloadNow")));
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnload, nullptr);
    const CLSID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, nullptr), E_POINTER);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    for (const ClassKeys& c : kClasses) {
        SCOPED_TRACE(narrow(c.progId));
        CLSID clsid;
        ASSERT_EQ(CLSIDFromString(c.clsid, &clsid), S_OK);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        IClassFactory* again = nullptr;
        ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&again)), S_OK);
        EXPECT_EQ(factory, again) << "the factory is kept for later requests";
        again->Release();
        // Factories hold no lock; objects and LockServer do.
        EXPECT_EQ(canUnload(), S_OK);
        IUnknown* object = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)),
                  S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
        object->Release();
        EXPECT_EQ(canUnload(), S_OK);
        factory->LockServer(TRUE);
        EXPECT_EQ(canUnload(), S_FALSE);
        factory->LockServer(FALSE);
        EXPECT_EQ(canUnload(), S_OK);
        // Aggregation asks for IUnknown only.
        // (the factory stands in for an outer object: creation fails before using it)
        EXPECT_EQ(factory->CreateInstance(factory, IID_IDispatch, reinterpret_cast<void**>(&object)),
                  CLASS_E_NOAGGREGATION);
        factory->Release();
    }
}

}  // namespace

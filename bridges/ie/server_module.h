#pragma once
// COskerraModule: the server's module object (one per process). It holds the class table,
// creates each class factory on its first request and keeps it, and registers and
// unregisters the server, always for the current user.

#include <windows.h>

#include "class_factory.h"

struct ServerClass {
    const CLSID* clsid;
    const wchar_t* progId;       // version-independent
    const wchar_t* description;  // "... Class"
    bool safeForScripting;       // registered in the two "safe" component categories
    velmor_atl::CreateFunction create;
};

class COskerraModule {
public:
    static COskerraModule& instance();

    HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out);
    bool canUnload() const;

    HRESULT registerServer();
    HRESULT unregisterServer();
    // Every caller asks for per-user registration, whatever it names.
    void setPerUser() { m_perUser = true; }

    ~COskerraModule();

private:
    COskerraModule();
    COskerraModule(const COskerraModule&) = delete;
    COskerraModule& operator=(const COskerraModule&) = delete;

    CRITICAL_SECTION m_lock;
    velmor_atl::ClassFactory* m_factories[5] = {};
    bool m_perUser = false;
};

// The class table, in its fixed order.
const ServerClass* server_classes(size_t* count);

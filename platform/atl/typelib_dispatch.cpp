#include "typelib_dispatch.h"

#include <mutex>
#include <new>

#include "module_state.h"

namespace velmor_atl {

namespace {

std::mutex g_libraryLock;
ITypeLib* g_library = nullptr;  // kept for the life of the process

}  // namespace

// Reached from every IDispatch call of the server's objects: the lock and the path may throw,
// and nothing thrown may leave those calls.
HRESULT embedded_type_library(ITypeLib** library) {
    if (library == nullptr) return E_POINTER;
    *library = nullptr;
    try {
        std::lock_guard<std::mutex> hold(g_libraryLock);
        if (g_library == nullptr) {
            const std::wstring path = module_path();
            if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
            const HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_library);
            if (FAILED(hr)) return hr;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    g_library->AddRef();
    *library = g_library;
    return S_OK;
}

HRESULT embedded_type_info(REFIID iid, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    ITypeLib* library = nullptr;
    HRESULT hr = embedded_type_library(&library);
    if (FAILED(hr)) return hr;
    ITypeInfo* found = nullptr;
    hr = library->GetTypeInfoOfGuid(iid, &found);
    library->Release();
    if (FAILED(hr)) return hr;
    // A dual interface is found as its dispatch description; calls go through its vtable
    // description, which the dispatch one refers to at index -1.
    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(found->GetTypeAttr(&attributes))) {
        const bool dual = attributes->typekind == TKIND_DISPATCH &&
                          (attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0;
        found->ReleaseTypeAttr(attributes);
        HREFTYPE vtable = 0;
        ITypeInfo* vtableInfo = nullptr;
        if (dual && SUCCEEDED(found->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable)) &&
            SUCCEEDED(found->GetRefTypeInfo(vtable, &vtableInfo))) {
            found->Release();
            found = vtableInfo;
        }
    }
    *info = found;
    return S_OK;
}

}  // namespace velmor_atl

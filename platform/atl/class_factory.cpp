#include "class_factory.h"

#include "module_state.h"

namespace velmor_atl {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() { return ++m_ref; }

ULONG ClassFactory::Release() {
    const ULONG left = --m_ref;
    if (left == 0) delete this;
    return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    return m_create(outer, iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        module_lock();
    } else {
        module_unlock();
    }
    return S_OK;
}

}  // namespace velmor_atl

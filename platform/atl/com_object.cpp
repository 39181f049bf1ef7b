#include "com_object.h"

#include "module_state.h"

namespace velmor_atl {

ComObjectRoot::ComObjectRoot(IUnknown* outer) : m_inner(this), m_outer(outer) { module_lock(); }

ComObjectRoot::~ComObjectRoot() { module_unlock(); }

HRESULT ComObjectRoot::delegatedQueryInterface(REFIID iid, void** out) {
    return controllingUnknown()->QueryInterface(iid, out);
}

ULONG ComObjectRoot::delegatedAddRef() { return controllingUnknown()->AddRef(); }

bool ComObjectRoot::tryAddRef() {
    if (m_outer != nullptr) {
        m_outer->AddRef();
        return true;
    }
    ULONG count = m_ref.load();
    while (count != 0) {
        if (m_ref.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

ULONG ComObjectRoot::delegatedRelease() { return controllingUnknown()->Release(); }

HRESULT ComObjectRoot::Inner::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    void* found = IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown*>(this)
                                                : m_owner->findInterface(iid);
    if (found == nullptr) return E_NOINTERFACE;
    // Interfaces other than the inner unknown count on the controlling unknown.
    if (found == this) {
        AddRef();
    } else {
        m_owner->controllingUnknown()->AddRef();
    }
    *out = found;
    return S_OK;
}

ULONG ComObjectRoot::Inner::AddRef() { return ++m_owner->m_ref; }

ULONG ComObjectRoot::Inner::Release() {
    const ULONG left = --m_owner->m_ref;
    if (left == 0) delete m_owner;
    return left;
}

}  // namespace velmor_atl

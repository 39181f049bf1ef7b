#include "com_object.h"

#include "module_state.h"

namespace velmor_atl {

namespace {

// Once its count has reached zero an object is being destroyed: the count is set far from
// zero, so that references its destructor's calls take and give back (a callee asking the
// dying object for an interface) can never bring it to zero and delete it again. Counts of
// live objects stay far below the floor.
constexpr ULONG kDestroyingCount = 0xC0000000UL;
constexpr ULONG kDestroyingFloor = 0x80000000UL;

bool is_dying(ULONG count) { return count == 0 || count >= kDestroyingFloor; }

}  // namespace

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
    while (!is_dying(count)) {
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
    if (left == 0) {
        m_owner->m_ref = kDestroyingCount;
        delete m_owner;
    }
    return left;
}

}  // namespace velmor_atl

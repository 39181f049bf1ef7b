#pragma once
// What an add-in may hand its host as a VARIANT to fill: memory nobody initialised. A host
// that clears such a VARIANT before writing it frees a wild pointer or releases an interface
// that is not there; the tripwire shows the latter.

#include <windows.h>
#include <oaidl.h>

namespace com_test {

// Lies in a garbage VARIANT where an interface would be, and counts its releases.
class Tripwire : public IUnknown {
public:
    virtual ~Tripwire() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    int releases() const { return m_releases; }

private:
    int m_releases = 0;
};

// The VARIANT types the garbage comes in: an interface (the tripwire), a string and an array
// (each with a wild pointer).
extern const VARTYPE kGarbageTypes[3];

// A VARIANT of type `vt` whose every other byte is garbage; an interface type holds the
// tripwire. Never to be cleared.
VARIANT garbage_variant(VARTYPE vt, Tripwire& tripwire);

}  // namespace com_test

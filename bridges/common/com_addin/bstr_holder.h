#pragma once
// A BSTR owned for the length of a scope: made from a wide text, freed at the end.

#include <windows.h>
#include <oleauto.h>

namespace com_addin {

class BstrHolder {
public:
    explicit BstrHolder(const wchar_t* text) : m_text(text != nullptr ? SysAllocString(text)
                                                                      : nullptr) {}
    ~BstrHolder() { SysFreeString(m_text); }
    BstrHolder(const BstrHolder&) = delete;
    BstrHolder& operator=(const BstrHolder&) = delete;

    BSTR get() const { return m_text; }

private:
    BSTR m_text;
};

}  // namespace com_addin

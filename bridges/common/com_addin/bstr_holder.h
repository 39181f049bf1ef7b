#pragma once
// A BSTR owned for the length of a scope: made from a wide text or taken over, freed at the end.

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace com_addin {

class BstrHolder {
public:
    BstrHolder() : m_text(nullptr) {}
    explicit BstrHolder(const wchar_t* text) : m_text(text != nullptr ? SysAllocString(text)
                                                                      : nullptr) {}
    ~BstrHolder() { SysFreeString(m_text); }
    BstrHolder(const BstrHolder&) = delete;
    BstrHolder& operator=(const BstrHolder&) = delete;

    BSTR get() const { return m_text; }

    // For an out-parameter: the text held so far is freed first.
    BSTR* put() {
        reset(nullptr);
        return &m_text;
    }
    // Takes over `adopted`, freeing the text held so far.
    void reset(BSTR adopted) { SysFreeString(std::exchange(m_text, adopted)); }

private:
    BSTR m_text;
};

}  // namespace com_addin

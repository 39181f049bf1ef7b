#pragma once
// VARIANTs written as short codes in the tests' tables: "e" empty, "i:5" a 32-bit integer,
// "h:5" a 16-bit one, "s:text" a string, "b:1" a boolean; and lists of them as SAFEARRAYs.

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace com_test {

// The VARIANT of a code; the caller clears it.
VARIANT variant_of(const std::wstring& code);
// The code of a VARIANT ("?vt" for a type without one).
std::wstring code_of(const VARIANT& value);

// A VARIANT of VT_ARRAY | VT_VARIANT holding the list; the caller clears it.
VARIANT array_of(const std::vector<std::wstring>& codes);
// The codes of the array a VARIANT holds; {"not an array"} when it holds none.
std::vector<std::wstring> codes_of_array(const VARIANT& value);

// Clears a VARIANT when the scope ends.
class VariantScope {
public:
    explicit VariantScope(VARIANT value) : m_value(value) {}
    ~VariantScope() { VariantClear(&m_value); }
    VariantScope(const VariantScope&) = delete;
    VariantScope& operator=(const VariantScope&) = delete;
    VARIANT* get() { return &m_value; }

private:
    VARIANT m_value;
};

}  // namespace com_test

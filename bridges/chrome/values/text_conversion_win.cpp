#include "text_conversion.h"

#include <windows.h>

#include <climits>
#include <new>

namespace {

// The units before the first zero among the first `len`.
template <typename Unit>
size_t length_before_zero(const Unit* text, size_t len) {
    size_t n = 0;
    while (n < len && text[n] != 0) ++n;
    return n;
}

// The system functions count in int.
int checked_count(size_t n) {
    if (n > static_cast<size_t>(INT_MAX)) throw std::bad_alloc();
    return static_cast<int>(n);
}

}  // namespace

void utf8_to_utf16_text(const char* text, size_t len, UnicodeString& out) {
    if (text == nullptr) return;
    const int count = checked_count(length_before_zero(text, len));
    if (count == 0) return;
    // The size first, then the units, straight into the zero-filled end of `out`.
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, text, count, nullptr, 0);
    if (units <= 0) return;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(units));
    const int done = ::MultiByteToWideChar(CP_UTF8, 0, text, count,
                                           reinterpret_cast<wchar_t*>(&out[start]), units);
    out.resize(start + static_cast<size_t>(done > 0 ? done : 0));
}

void utf16_to_utf8_text(const UnicodeChar* text, size_t len, std::string& out) {
    if (text == nullptr) return;
    const int count = checked_count(length_before_zero(text, len));
    if (count == 0) return;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(bytes));
    const int done =
        ::WideCharToMultiByte(CP_UTF8, 0, wide, count, &out[start], bytes, nullptr, nullptr);
    out.resize(start + static_cast<size_t>(done > 0 ? done : 0));
}

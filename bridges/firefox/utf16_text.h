#pragma once
// The component's owned UTF-16 text, and the conversions it needs at its edges.

#include <string>

#include "utf_codec.h"

typedef std::u16string wcstring;

// The units before the first zero; empty for a null pointer.
wcstring wcstring_of(const char16_t* text);
std::string utf8_of(const char16_t* text);
wcstring utf16_of(const std::string& utf8);
inline const uint16_t* units(const char16_t* text) {
    return reinterpret_cast<const uint16_t*>(text);
}
inline const char16_t* chars(const uint16_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

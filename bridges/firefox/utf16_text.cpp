#include "utf16_text.h"

wcstring wcstring_of(const char16_t* text) {
    return text != nullptr ? wcstring(text) : wcstring();
}

std::string utf8_of(const char16_t* text) {
    std::string utf8;
    utf16_to_utf8_append(units(text), utf16_length(units(text)), utf8);
    return utf8;
}

wcstring utf16_of(const std::string& utf8) {
    Utf16String wide;
    utf8_to_utf16_append(utf8.data(), utf8.size(), wide);
    return wcstring(chars(wide.data()), wide.size());
}

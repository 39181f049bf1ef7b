#include "text_conversion.h"

#include "utf_codec.h"

void utf8_to_utf16_text(const char* text, size_t len, UnicodeString& out) {
    utf8_to_utf16_append(text, len, out);
}

void utf16_to_utf8_text(const UnicodeChar* text, size_t len, std::string& out) {
    utf16_to_utf8_append(text, len, out);
}

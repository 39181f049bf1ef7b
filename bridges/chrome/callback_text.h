#pragma once
// The text of the callback message that an add-in's reader thread sends most: the external
// event, written directly from the add-in's UTF-16 texts. It is the same text, byte for byte,
// that the compact JSON writer makes of the same message, without building a JSON value per
// event (which cost several times the write itself).

#include <cstdint>
#include <string>

#include "host_types.h"

// Appends `text` (zero-terminated UTF-16; null is "") as a quoted JSON string, escaped as the
// compact writer escapes the text's UTF-8 form: '"', '\\' and \b \f \n \r \t by a backslash,
// other control characters and every character from U+0080 as \uXXXX (lower-case hex, pairs
// for characters beyond U+FFFF), a lone surrogate as \ufffd.
void append_json_string(std::string& out, const UnicodeChar* text);

// {"cls_id":id,"method":"externalEvent","params":[source,message,data],"query_id":query,
// "type":15} and a line feed.
std::string external_event_text(cls_id id, const UnicodeChar* source, const UnicodeChar* message,
                                const UnicodeChar* data, uint32_t query);

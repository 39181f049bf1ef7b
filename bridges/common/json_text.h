#pragma once
// JSON text of the bridges, written the same way by all of them: jsoncpp's compact writer
// (no white space, members in ascending byte order of their names, a line feed at the end;
// every non-ASCII character escaped as \uXXXX, bytes that are not UTF-8 as \ufffd).

#include <cstddef>
#include <string>

#include "json_value.h"

std::string json_write(const JsValue& value);

// Parses in strict mode: only an object or an array at the root, no comments. False for
// anything else, a text nested too deep for the reader included (the reader's failures never
// leave here as exceptions); `out` is reset to null first.
bool json_read_strict(const char* text, size_t len, JsValue& out);

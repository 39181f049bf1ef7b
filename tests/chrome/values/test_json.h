#pragma once
// Small helpers for the value-layer tests: JSON from text and back.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "js_value.h"

inline CNPVariant js(const char* text) {
    JsValue v;
    EXPECT_TRUE(json_read(text, std::strlen(text), v)) << "test JSON does not parse: " << text;
    return CNPVariant(v);
}

// The compact text without its line feed.
inline std::string text_of(const JsValue& v) {
    std::string s = json_write(v);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

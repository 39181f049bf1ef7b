#include "json_text.h"

#include <json/reader.h>
#include <json/writer.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
std::string json_write(const JsValue& value) {
    Json::FastWriter writer;
    return writer.write(value);
}

bool json_read_strict(const char* text, size_t len, JsValue& out) {
    out = JsValue();
    if (text == nullptr) return false;
    Json::Reader reader(Json::Features::strictMode());
    return reader.parse(text, text + len, out, false);
}
#pragma GCC diagnostic pop

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
    try {
        return reader.parse(text, text + len, out, false);
    } catch (const Json::Exception&) {
        // The reader throws where it runs out of nesting (1,000 levels) instead of failing.
        out = JsValue();
        return false;
    }
}
#pragma GCC diagnostic pop

#include "callback_text.h"

namespace {

void append_hex_unit(std::string& out, unsigned unit) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    out += kHex[(unit >> 12) & 0xF];
    out += kHex[(unit >> 8) & 0xF];
    out += kHex[(unit >> 4) & 0xF];
    out += kHex[unit & 0xF];
}

bool is_high(unsigned u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low(unsigned u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

void append_json_string(std::string& out, const UnicodeChar* text) {
    out += '"';
    if (text != nullptr) {
        for (const UnicodeChar* p = text; *p != 0; ++p) {
            const unsigned u = *p;
            switch (u) {
                case '"': out += "\\\""; continue;
                case '\\': out += "\\\\"; continue;
                case '\b': out += "\\b"; continue;
                case '\f': out += "\\f"; continue;
                case '\n': out += "\\n"; continue;
                case '\r': out += "\\r"; continue;
                case '\t': out += "\\t"; continue;
                default: break;
            }
            if (u < 0x20) {
                append_hex_unit(out, u);
            } else if (u < 0x80) {
                out += static_cast<char>(u);
            } else if (is_high(u) && is_low(p[1])) {
                append_hex_unit(out, u);
                append_hex_unit(out, p[1]);
                ++p;
            } else if (is_high(u) || is_low(u)) {
                append_hex_unit(out, 0xFFFD);
            } else {
                append_hex_unit(out, u);
            }
        }
    }
    out += '"';
}

std::string external_event_text(cls_id id, const UnicodeChar* source, const UnicodeChar* message,
                                const UnicodeChar* data, uint32_t query) {
    std::string out;
    out.reserve(128);
    out += "{\"cls_id\":";
    out += std::to_string(id);
    out += ",\"method\":\"externalEvent\",\"params\":[";
    append_json_string(out, source);
    out += ',';
    append_json_string(out, message);
    out += ',';
    append_json_string(out, data);
    out += "],\"query_id\":";
    out += std::to_string(query);
    out += ",\"type\":15}\n";
    return out;
}

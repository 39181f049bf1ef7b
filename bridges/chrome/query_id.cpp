#include "query_id.h"

#include <cmath>

bool query_id_of(const JsValue& value, uint32_t& out) {
    switch (js_kind(value)) {
        case eJsBool:
        case eJsInt:
        case eJsUInt:
        case eJsReal: {
            const double number = std::trunc(js_number(value));
            if (!(number >= 0.0 && number <= 4294967295.0)) return false;  // NaN refused too
            out = static_cast<uint32_t>(number);
            return true;
        }
        default:
            return false;
    }
}

bool cls_id_of(const JsValue& value, uint32_t& out) {
    if (value.isNull()) {
        out = 0;
        return true;
    }
    return query_id_of(value, out);
}

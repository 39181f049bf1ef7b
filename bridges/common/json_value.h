#pragma once
// The one place where the bridges include the JSON library's value class (jsoncpp
// Json::Value, named JsValue in the bridges), and the classification of its values into
// the kinds that the bridges work with. The Windows builds will replace jsoncpp by a stand-in
// that provides exactly what the bridges use; see the list in
// bridges/chrome/values/js_value.h.

#include <cstdint>

#include <json/value.h>

typedef Json::Value JsValue;

// The kinds of JSON values as the bridges treat them, independent of the JSON library's
// version: jsoncpp 1.9 keeps 64-bit integers, while the page protocol knows only 32-bit ones
// and takes every other number as a real.
enum JsKind {
    eJsNull = 0,
    eJsBool,
    eJsInt,     // an integer in the signed 32-bit range
    eJsUInt,    // an integer above 2,147,483,647 and up to 4,294,967,295
    eJsReal,    // every other number: a real, or an integer outside both ranges
    eJsString,
    eJsArray,
    eJsObject
};

JsKind js_kind(const JsValue& value);

// The value of a number kind (eJsBool, eJsInt, eJsUInt, eJsReal) as a double: exact for
// booleans and 32-bit integers, the nearest double for 64-bit integers. 0 for other kinds.
double js_number(const JsValue& value);

// A number kind cut toward zero into `out`; false (and `out` untouched) when the value is
// not a number kind or its integer part lies outside the signed 32-bit range.
bool js_to_int32(const JsValue& value, int32_t& out);

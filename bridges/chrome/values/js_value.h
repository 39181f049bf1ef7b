#pragma once
// The Chrome host's JSON value wrapper and the host's only door to the JSON
// library.
//
// The rest of the host includes this header, never <json/...>. Besides the wrapper it
// offers the JSON text I/O (json_read, json_write) and the kind tests (js_kind, and the
// argument tests in arguments.h). The JSON library's value class itself (JsValue, jsoncpp
// Json::Value, the same library on every platform) is used only through these members; keep
// to them or extend the list here:
//   construction: JsValue(), JsValue(Json::nullValue / Json::arrayValue / Json::objectValue),
//     from bool, int, unsigned, double, const char*, (const char* begin, const char* end),
//     const std::string&; copy and assignment;
//   type(), isNull(), isBool(), isString(), isArray(), isObject();
//   asBool(), asString(), asInt(), asUInt() on values of those kinds (use js_to_int32 for
//     numbers from the page), asCString();
//   size(), empty(), operator[](const char*), operator[](const std::string&),
//     operator[](Json::ArrayIndex) (const and non-const), get(key, default), isMember(key),
//     removeMember(key), getMemberNames(), append(value), clear(), operator==, operator!=;
//   inside the value layer also asInt64(), asUInt64(), asDouble(), getString(&begin, &end),
//     Json::Reader::parse and Json::FastWriter::write.

#include <cstddef>
#include <string>

#include "host_exceptions.h"
#include "host_types.h"
#include "json_text.h"
#include "json_value.h"

class ScriptableClassBase;

// One JSON value with constructors from the host's native types. Adds no fields and no
// virtual operations; copies are deep. A default-constructed CNPVariant is null.
class CNPVariant : public JsValue {
public:
    CNPVariant() {}
    CNPVariant(bool val);
    CNPVariant(int val);
    CNPVariant(double val);
    // A string: the text up to its terminating zero; `len` is not consulted.
    // A null pointer gives "". The default lets CNPVariant("text") be a string, not a bool.
    CNPVariant(const char* str, int len = -1);
    // A string: the zero-terminated UTF-16 text in UTF-8; a null pointer gives "".
    CNPVariant(const UnicodeChar* str);
    CNPVariant(const UnicodeString& str);
    // A copy of the value pointed to; a null pointer gives null.
    CNPVariant(CNPVariant* val);
    CNPVariant(const JsValue& val);
    CNPVariant(const CNPVariant& val);
    ~CNPVariant() {}

    CNPVariant& operator=(const CNPVariant& val);
    CNPVariant& operator=(const JsValue& val);

    void init(const JsValue& val);
    void init(const JsValue* val);  // a null pointer gives null
    // Write this value into `dest`. Mind the direction: jsoncpp's own Json::Value::copy(other),
    // which these hide, copies the other way round.
    void copy(JsValue& dest) const;
    void copy(JsValue* dest) const;  // a null pointer does nothing
    static void copy(JsValue& dest, const JsValue& src);

    // Conversions; each returns or throws conversion_error ("Invalid arguments").
    bool toBool() const;                     // boolean; signed integer: not 0
    int toInt() const;                       // signed integer; real cut toward zero, in range
    double toDouble() const;                 // signed integer; real unchanged
    std::string toString() const;            // string: its UTF-8 text
    UnicodeString toUnicodeString() const;   // string: its UTF-16 text
    // Object or null: the scriptable object named by "cls_id" (null when the member is
    // absent or names no object), through the look-up that the object model installs.
    ScriptableClassBase* toObject() const;
};

// The look-up behind CNPVariant::toObject, installed by the object model: it
// finds the object `id` in the registry and, when it exists and `properties` is not null,
// applies them with setAllProps. `properties` is the request's "properties" member when that
// is an array (or null), otherwise a null pointer. Without a look-up toObject gives null.
typedef ScriptableClassBase* (*ObjectLookup)(cls_id id, const JsValue* properties);
void set_object_lookup(ObjectLookup lookup);

// A JSON value seen as an array. A default-constructed CJSArray is an empty array.
class CJSArray : public JsValue {
public:
    CJSArray();
    CJSArray(const CNPVariant& val);
    CJSArray(const JsValue& val);
    CJSArray(const CJSArray& val);
    CJSArray& operator=(const CJSArray& val);
    CJSArray& operator=(const JsValue& val);

    // Elements of an array, members of an object, 0 for any other value.
    int length() const;
    // A copy of element `index`, or null when there is none (or the value is no array).
    void get(int index, CNPVariant& value) const;
    // Appends a copy of `value`; `index` is not consulted (callers fill in order from 0).
    void set(int index, const CNPVariant& value);
};

// JSON text I/O of the host: jsoncpp's Json::Reader with its default features (comments
// allowed, any value at the top level) and Json::FastWriter.
//
// Parses the `len` bytes at `text` into `out`, which is reset to null first. Returns whether
// parsing succeeded; on failure `out` holds what the parser built up to where it stopped.
bool json_read(const char* text, size_t len, JsValue& out);
// json_write (bridges/common/json_text.h) gives pure ASCII, so a text cut at any byte offset
// (the chunking of large messages) never splits a character.

#pragma once
// Argument checkers: each reads one argument of a request, by member name from a JSON
// object or by position from a JSON array, records whether it was supplied (passed()),
// checks its JSON type and converts it. A supplied argument of the wrong type throws
// invalid_args ("Invalid arguments"); a missing one never throws: the caller decides.
// A checker lives on the caller's stack for one request.

#include <string>

#include "host_exceptions.h"
#include "host_types.h"
#include "js_value.h"

// ---- JSON type tests, the same whatever the JSON library's version

// An object or null (null is an object without members).
bool js_counts_as_object(const JsValue& value);
// An array or null (null is an array without elements).
bool js_counts_as_array(const JsValue& value);
// Null, an array without elements or an object without members. "", 0 and false are not.
bool js_is_empty(const JsValue& value);
// An integer (signed or unsigned), a real or a boolean (true 1, false 0).
bool js_counts_as_number(const JsValue& value);
// `value` counts as an object and has a member of exactly that name, whatever its value.
bool js_has_member(const JsValue& value, const char* name);
// `value` counts as an array and `index`, taken as unsigned, is below its element count
// (so a negative index is never valid).
bool js_valid_index(const JsValue& value, int index);

// ---- Checkers

class StringArg {
public:
    StringArg() : _passed(false) {}
    void init(const CNPVariant& var, const char* name);
    void init(const CNPVariant& var, int index);
    bool passed() const { return _passed; }
    const UnicodeString& get() const { return _val; }            // the UTF-16 text
    const UnicodeString* operator->() const { return &_val; }
    const std::string& getstd() const { return _stdval; }        // the UTF-8 text as received

private:
    void set(const JsValue& value);
    bool _passed;
    UnicodeString _val;
    std::string _stdval;
};

// A number; a real is cut toward zero. A number whose integer part lies outside the signed
// 32-bit range throws invalid_args.
class IntArg {
public:
    IntArg() : _passed(false), _val(0) {}
    void init(const CNPVariant& var, const char* name);
    void init(const CNPVariant& var, int index);
    bool passed() const { return _passed; }
    operator int() const { return _val; }

private:
    void set(const JsValue& value);
    bool _passed;
    int _val;
};

// A number as a double (a real unchanged, an integer or boolean exactly).
class DoubleArg {
public:
    DoubleArg() : _passed(false), _val(0.0) {}
    void init(const CNPVariant& var, const char* name);
    void init(const CNPVariant& var, int index);
    bool passed() const { return _passed; }
    operator double() const { return _val; }

private:
    void set(const JsValue& value);
    bool _passed;
    double _val;
};

// A JSON boolean only; numbers are refused.
class BoolArg {
public:
    BoolArg() : _passed(false), _val(false) {}
    void init(const CNPVariant& var, const char* name);
    void init(const CNPVariant& var, int index);
    bool passed() const { return _passed; }
    operator bool() const { return _val; }

private:
    void set(const JsValue& value);
    bool _passed;
    bool _val;
};

// Any non-empty value, copied.
class VariantArg {
public:
    VariantArg() : _passed(false) {}
    void init(const CNPVariant& var, const char* name);
    void init(const CNPVariant& var, int index);
    bool passed() const { return _passed; }
    const CNPVariant& get() const { return _val; }
    CNPVariant& get() { return _val; }

private:
    bool _passed;
    CNPVariant _val;
};

// An array (or null). Unlike the others it does not test for emptiness: a present member
// (or valid position) is passed even when its value is null or an empty array.
class ArrayArg {
public:
    ArrayArg() : _passed(false) {}
    void init(const CNPVariant& var, const char* name);
    void init(const CNPVariant& var, int index);
    bool passed() const { return _passed; }
    operator const JsValue&() const { return _val; }
    operator JsValue&() { return _val; }
    operator const CNPVariant&() const { return _val; }
    operator CNPVariant&() { return _val; }
    const CNPVariant& get() const { return _val; }
    CNPVariant& get() { return _val; }

private:
    bool _passed;
    CNPVariant _val;
};

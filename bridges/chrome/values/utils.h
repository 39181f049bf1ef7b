#pragma once
// Conversions between the host's JSON values and the add-in's tVariant records, between
// JSON arrays and parameter vectors, and between UTF-8 and UTF-16; plus CtVariant, the
// host's owning tVariant, and CheckAlloc.
//
// The text conversions need no locale and keep no state, so the main thread and an add-in's
// reader thread may convert at the same time. Characters beyond U+FFFF travel as surrogate
// pairs; malformed input gives U+FFFD (see text_conversion.h). A zero unit or byte ends a
// text.

#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "arguments.h"
#include "IMemoryManager.h"
#include "host_types.h"
#include "js_value.h"
#include "types.h"

// A tVariant that owns its buffers: they come from the C heap (the host's AllocMemory, or
// NPVariantToVariant) and go back there on destruction. Copies are deep and moves hand the
// buffers over, so vectors of CtVariant may grow and be copied safely.
class CtVariant : public _tVariant {
public:
    CtVariant();
    CtVariant(const CtVariant& other);
    CtVariant(CtVariant&& other) noexcept;
    CtVariant& operator=(const CtVariant& other);
    CtVariant& operator=(CtVariant&& other) noexcept;
    ~CtVariant();

    // Releases the buffer of a VTYPE_PSTR, VTYPE_PWSTR or VTYPE_BLOB record (and, for
    // VTYPE_VARIANT, that of the record pointed to, which itself is not released) and sets
    // the pointer to null, so that clearing twice is harmless. `vt` is not reset.
    static void clear(tVariant* var);
};

// The C heap as a memory manager: the buffers that NPVariantToVariant makes go back here.
IMemoryManager* host_heap();

// A null pointer throws std::bad_alloc; otherwise `val` is returned.
template <typename T>
T* CheckAlloc(T* val) {
    if (!val) throw std::bad_alloc();
    return val;
}

#ifdef _WIN32
// OLE Automation's value records, as <oaidl.h> declares them.
struct tagVARIANT;
typedef tagVARIANT VARIANT;
struct tagSAFEARRAY;
typedef tagSAFEARRAY SAFEARRAY;
#endif

class Utils {
public:
    static void initVariant(bool val, CNPVariant& variant);
    static void initVariant(int val, CNPVariant& variant);
    static void initVariant(double val, CNPVariant& variant);
    static void initVariant(CNPVariant& val, CNPVariant& variant);
    // A JSON string: the `len` UTF-16 units (ending early at a zero unit) in UTF-8.
    static void initVariant(const UnicodeChar* val, size_t len, CNPVariant& variant);
    static void initVariant(const UnicodeString& val, CNPVariant& variant);

    static void copyStr(const char* src, std::string& dest, bool append);
    static void copyStr(const std::string& src, std::string& dest, bool append);

    // UTF-8 to UTF-16. strLen <= 0 (or a null text): `wstr` is emptied, or left when
    // appending. Otherwise the text replaces `wstr` or is appended to it.
    static void UTF8ToWide(const char* str, int strLen, UnicodeString& wstr, bool append);
    static void UTF8ToWide(const char* str, UnicodeString& wstr, bool append);
    static void UTF8ToWide(const std::string& str, UnicodeString& wstr, bool append);

    // UTF-16 to UTF-8, the same way round.
    static void wideToUTF8(const UnicodeChar* wstr, int wstrLen, std::string& str, bool append);
    static void wideToUTF8(const UnicodeChar* wstr, std::string& str, bool append);
    static void wideToUTF8(const UnicodeString& wstr, std::string& str, bool append);

    // JSON to tVariant: null VTYPE_NULL; a signed integer VTYPE_I4; a real VTYPE_R8; a
    // boolean VTYPE_BOOL; a string VTYPE_PWSTR in a new C-heap buffer (with its terminator;
    // wstrLen the units before it); an object with "date" VTYPE_TM. True for those and for an
    // object without "date" (which leaves tVar untouched). False, tVar untouched, for an
    // unsigned integer, an array, and a "date" that is no valid date object. tVar's previous
    // contents are overwritten, not released.
    static bool NPVariantToVariant(const CNPVariant& npVar, tVariant& tVar);
    // tVariant to JSON. False, npVar untouched, for the types without a JSON form:
    // VTYPE_I2, I1, UI1, UI2, I8, UI8, DATE, ERROR, HRESULT, BLOB, INTERFACE, VARIANT, CLSID
    // and every flagged code. A text is read by its claimed length no further than `memory`
    // allows (readable_text): the add-in's blocks come from a sized memory manager; a record
    // the host made itself needs none.
    static bool VariantToNPVariant(const tVariant& tVar, CNPVariant& npVar,
                                   IMemoryManager* memory = nullptr);

    // Element i into record i while i is below both sizes; results are not examined. A
    // record that takes a new value first releases its old buffers.
    static void jsArrayTotVariantArray(CJSArray& jsArray, std::vector<CtVariant>& tVarArray);
    // One element per record, in order; an unconvertible record gives null.
    static void tVariantArrayTojsArray(const std::vector<CtVariant>& tVarArray,
                                       CJSArray& jsArray);
    // The same for `count` records that the caller owns (fresh, empty ones to convert into).
    static void jsArrayTotVariantArray(CJSArray& jsArray, tVariant* records, size_t count);
    static void tVariantArrayTojsArray(const tVariant* records, size_t count, CJSArray& jsArray,
                                       IMemoryManager* memory = nullptr);

#ifdef _WIN32
    // OLE variants, for COM add-ins (ole_conversions_win.cpp).
    // VARIANT to JSON: VT_BSTR a string, VT_BOOL a boolean (any non-zero is true),
    // VT_BYREF|VT_VARIANT the value referred to, the rest as VariantToNPVariantShared. False,
    // out unchanged, for the kinds without a JSON form.
    static bool VariantToNPVariant(const VARIANT& value, CNPVariant& out);
    // VT_EMPTY and VT_NULL null; VT_I1, VT_I4 signed integers; VT_UI4 an unsigned one; VT_I8
    // a 64-bit integer; VT_R4, VT_R8 reals. False, out unchanged, for every other kind.
    static bool VariantToNPVariantShared(const VARIANT& value, CNPVariant& out);
    // JSON to VARIANT: a string VT_BSTR of exactly its UTF-16 units, the rest as
    // NPVariantToVariantShared. `out` must be initialised: what it held is released first.
    // False, out unchanged, for the kinds that are not converted.
    static bool NPVariantToVariant(const CNPVariant& value, VARIANT& out);
    // null VT_NULL, a signed integer VT_I4, a real VT_R8, a boolean VT_BOOL with 1 for true
    // (the host's convention, not VARIANT_TRUE). False for unsigned integers, arrays, objects.
    static bool NPVariantToVariantShared(const CNPVariant& value, VARIANT& out);
    // Element i of `array` (null past its end) into element i of `target` while i is below
    // both sizes; a kind that is not converted leaves VT_EMPTY. Later elements keep theirs.
    static void jsArrayToSafeArray(const CNPVariant& array, SAFEARRAY* target);
    // Every element of `source` appended to `array`; a kind that is not converted gives null.
    static void SafeArrayTojsArray(SAFEARRAY* source, CNPVariant& array);
#endif
};

#ifdef _WIN32
// The ProgID of a COM add-in's class: "AddIn." followed by the class name.
UnicodeString makeProgId(const UnicodeString& className);
#endif

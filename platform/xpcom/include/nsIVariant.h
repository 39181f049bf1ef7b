#pragma once
// nsIVariant (a typed value the page and the component exchange), nsIWritableVariant (its
// setters) and nsIDataType (the codes of the held type). The slot order is that of the
// browser generation this layer stands for:
//
//   nsIVariant, after nsISupports (slot 3 on): GetDataType, GetAsInt8, GetAsInt16,
//   GetAsInt32, GetAsInt64, GetAsUint8, GetAsUint16, GetAsUint32, GetAsUint64, GetAsFloat,
//   GetAsDouble, GetAsBool, GetAsChar, GetAsWChar, GetAsID, GetAsAString, GetAsDOMString,
//   GetAsACString, GetAsAUTF8String, GetAsString, GetAsWString, GetAsISupports,
//   GetAsJSVal, GetAsInterface, GetAsArray, GetAsStringWithSize, GetAsWStringWithSize
//   (slots 3 to 29).
//   nsIWritableVariant continues: GetWritable, SetWritable, SetAsInt8 ... SetAsWString (in
//   the getters' order), SetAsISupports, SetAsInterface, SetAsArray, SetAsStringWithSize,
//   SetAsWStringWithSize, SetAsVoid, SetAsEmpty, SetAsEmptyArray, SetFromVariant (slots 30
//   to 60).
//
// GetAsInt8 and SetAsInt8 carry the value as uint8_t, as in that generation. GetAsJSVal
// takes the script engine's value handle, which this layer does not have: it is a
// pointer-sized slot that always fails here.
//
// Ownership: strings from GetAsString / GetAsWString (and the *WithSize forms) are new
// NS_Alloc blocks for the caller to NS_Free; GetAsArray hands out a new NS_Alloc array
// whose elements the caller owns (strings to NS_Free, interfaces to Release). Setters copy.

#include "nsISupports.h"
#include "nsStringAPI.h"

#define NS_IDATATYPE_IID \
    { 0x4d12e540, 0x83d7, 0x11d5, { 0x90, 0xed, 0x00, 0x10, 0xa4, 0xe7, 0x3d, 0x9a } }

/// The data type codes a variant reports through GetDataType.
class nsIDataType : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IDATATYPE_IID)

    enum {
        VTYPE_INT8 = 0,
        VTYPE_INT16 = 1,
        VTYPE_INT32 = 2,
        VTYPE_INT64 = 3,
        VTYPE_UINT8 = 4,
        VTYPE_UINT16 = 5,
        VTYPE_UINT32 = 6,
        VTYPE_UINT64 = 7,
        VTYPE_FLOAT = 8,
        VTYPE_DOUBLE = 9,
        VTYPE_BOOL = 10,
        VTYPE_CHAR = 11,
        VTYPE_WCHAR = 12,
        VTYPE_VOID = 13,
        VTYPE_ID = 14,
        VTYPE_DOMSTRING = 15,
        VTYPE_CHAR_STR = 16,
        VTYPE_WCHAR_STR = 17,
        VTYPE_INTERFACE = 18,
        VTYPE_INTERFACE_IS = 19,
        VTYPE_ARRAY = 20,
        VTYPE_STRING_SIZE_IS = 21,
        VTYPE_WSTRING_SIZE_IS = 22,
        VTYPE_UTF8STRING = 23,
        VTYPE_CSTRING = 24,
        VTYPE_ASTRING = 25,
        VTYPE_EMPTY_ARRAY = 254,
        VTYPE_EMPTY = 255
    };

protected:
    ~nsIDataType() = default;
};

#define NS_IVARIANT_IID \
    { 0x81e4c2de, 0xacac, 0x4ad6, { 0x90, 0x1a, 0xb5, 0xfb, 0x1b, 0x85, 0x1a, 0x0d } }

/// A read-only typed value. Getters convert where the value allows (numbers between their
/// kinds, text to and from numbers, every text kind to every other) and answer
/// NS_ERROR_CANNOT_CONVERT_DATA where it does not.
class nsIVariant : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IVARIANT_IID)

    NS_IMETHOD GetDataType(uint16_t* aDataType) = 0;
    NS_IMETHOD GetAsInt8(uint8_t* _retval) = 0;
    NS_IMETHOD GetAsInt16(int16_t* _retval) = 0;
    NS_IMETHOD GetAsInt32(int32_t* _retval) = 0;
    NS_IMETHOD GetAsInt64(int64_t* _retval) = 0;
    NS_IMETHOD GetAsUint8(uint8_t* _retval) = 0;
    NS_IMETHOD GetAsUint16(uint16_t* _retval) = 0;
    NS_IMETHOD GetAsUint32(uint32_t* _retval) = 0;
    NS_IMETHOD GetAsUint64(uint64_t* _retval) = 0;
    NS_IMETHOD GetAsFloat(float* _retval) = 0;
    NS_IMETHOD GetAsDouble(double* _retval) = 0;
    NS_IMETHOD GetAsBool(bool* _retval) = 0;
    NS_IMETHOD GetAsChar(char* _retval) = 0;
    NS_IMETHOD GetAsWChar(char16_t* _retval) = 0;
    NS_IMETHOD_(nsresult) GetAsID(nsID* retval) = 0;
    NS_IMETHOD GetAsAString(nsAString& _retval) = 0;
    NS_IMETHOD GetAsDOMString(nsAString& _retval) = 0;
    NS_IMETHOD GetAsACString(nsACString& _retval) = 0;
    NS_IMETHOD GetAsAUTF8String(nsAUTF8String& _retval) = 0;
    NS_IMETHOD GetAsString(char** _retval) = 0;
    NS_IMETHOD GetAsWString(char16_t** _retval) = 0;
    NS_IMETHOD GetAsISupports(nsISupports** _retval) = 0;
    NS_IMETHOD GetAsJSVal(void* aScriptValue) = 0;
    NS_IMETHOD GetAsInterface(nsIID** iid, void** iface) = 0;
    /// The elements: their type, the interface identifier for interface elements, their
    /// number and a new array of them.
    NS_IMETHOD_(nsresult) GetAsArray(uint16_t* type, nsIID* iid, uint32_t* count,
                                     void** ptr) = 0;
    NS_IMETHOD GetAsStringWithSize(uint32_t* size, char** str) = 0;
    NS_IMETHOD GetAsWStringWithSize(uint32_t* size, char16_t** str) = 0;

protected:
    ~nsIVariant() = default;
};

#define NS_IWRITABLEVARIANT_IID \
    { 0x5586a590, 0x8c82, 0x11d5, { 0x90, 0xf3, 0x00, 0x10, 0xa4, 0xe7, 0x3d, 0x9a } }
#define NS_VARIANT_CONTRACTID "@mozilla.org/variant;1"

/// A variant that can be set. While Writable is false, every setter answers
/// NS_ERROR_OBJECT_IS_IMMUTABLE.
class nsIWritableVariant : public nsIVariant {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IWRITABLEVARIANT_IID)

    NS_IMETHOD GetWritable(bool* aWritable) = 0;
    NS_IMETHOD SetWritable(bool aWritable) = 0;
    NS_IMETHOD SetAsInt8(uint8_t aValue) = 0;
    NS_IMETHOD SetAsInt16(int16_t aValue) = 0;
    NS_IMETHOD SetAsInt32(int32_t aValue) = 0;
    NS_IMETHOD SetAsInt64(int64_t aValue) = 0;
    NS_IMETHOD SetAsUint8(uint8_t aValue) = 0;
    NS_IMETHOD SetAsUint16(uint16_t aValue) = 0;
    NS_IMETHOD SetAsUint32(uint32_t aValue) = 0;
    NS_IMETHOD SetAsUint64(uint64_t aValue) = 0;
    NS_IMETHOD SetAsFloat(float aValue) = 0;
    NS_IMETHOD SetAsDouble(double aValue) = 0;
    NS_IMETHOD SetAsBool(bool aValue) = 0;
    NS_IMETHOD SetAsChar(char aValue) = 0;
    NS_IMETHOD SetAsWChar(char16_t aValue) = 0;
    NS_IMETHOD SetAsID(const nsID& aValue) = 0;
    NS_IMETHOD SetAsAString(const nsAString& aValue) = 0;
    NS_IMETHOD SetAsDOMString(const nsAString& aValue) = 0;
    NS_IMETHOD SetAsACString(const nsACString& aValue) = 0;
    NS_IMETHOD SetAsAUTF8String(const nsAUTF8String& aValue) = 0;
    /// A terminated narrow text (VTYPE_CHAR_STR).
    NS_IMETHOD SetAsString(const char* aValue) = 0;
    /// A terminated wide text (VTYPE_WCHAR_STR).
    NS_IMETHOD SetAsWString(const char16_t* aValue) = 0;
    NS_IMETHOD SetAsISupports(nsISupports* aValue) = 0;
    NS_IMETHOD SetAsInterface(const nsIID& iid, void* iface) = 0;
    /// Copies count elements of the given type (interface elements get a reference each).
    NS_IMETHOD SetAsArray(uint16_t type, const nsIID* iid, uint32_t count, void* ptr) = 0;
    /// size bytes of str (VTYPE_STRING_SIZE_IS); they may contain zeros.
    NS_IMETHOD SetAsStringWithSize(uint32_t size, const char* str) = 0;
    /// size units of str (VTYPE_WSTRING_SIZE_IS).
    NS_IMETHOD SetAsWStringWithSize(uint32_t size, const char16_t* str) = 0;
    NS_IMETHOD SetAsVoid() = 0;
    NS_IMETHOD SetAsEmpty() = 0;
    NS_IMETHOD SetAsEmptyArray() = 0;
    NS_IMETHOD SetFromVariant(nsIVariant* aValue) = 0;

protected:
    ~nsIWritableVariant() = default;
};

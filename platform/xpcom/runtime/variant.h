#pragma once
// The platform's variant class (@mozilla.org/variant;1): a writable typed value. Numbers
// convert between their kinds and from text; every text kind converts to every other
// (narrow texts are UTF-8, and a text ends at its first zero unit when converted to the
// other width); arrays are copied in and out. One thread at a time uses a variant; its
// reference count alone is atomic.

#include <string>

#include "nsCOMPtr.h"
#include "nsISupportsImpl.h"
#include "nsIVariant.h"

namespace xpcom_runtime {

class Variant final : public nsIWritableVariant {
public:
    Variant() = default;

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD GetDataType(uint16_t* aDataType) override;
    NS_IMETHOD GetAsInt8(uint8_t* _retval) override;
    NS_IMETHOD GetAsInt16(int16_t* _retval) override;
    NS_IMETHOD GetAsInt32(int32_t* _retval) override;
    NS_IMETHOD GetAsInt64(int64_t* _retval) override;
    NS_IMETHOD GetAsUint8(uint8_t* _retval) override;
    NS_IMETHOD GetAsUint16(uint16_t* _retval) override;
    NS_IMETHOD GetAsUint32(uint32_t* _retval) override;
    NS_IMETHOD GetAsUint64(uint64_t* _retval) override;
    NS_IMETHOD GetAsFloat(float* _retval) override;
    NS_IMETHOD GetAsDouble(double* _retval) override;
    NS_IMETHOD GetAsBool(bool* _retval) override;
    NS_IMETHOD GetAsChar(char* _retval) override;
    NS_IMETHOD GetAsWChar(char16_t* _retval) override;
    NS_IMETHOD_(nsresult) GetAsID(nsID* retval) override;
    NS_IMETHOD GetAsAString(nsAString& _retval) override;
    NS_IMETHOD GetAsDOMString(nsAString& _retval) override;
    NS_IMETHOD GetAsACString(nsACString& _retval) override;
    NS_IMETHOD GetAsAUTF8String(nsAUTF8String& _retval) override;
    NS_IMETHOD GetAsString(char** _retval) override;
    NS_IMETHOD GetAsWString(char16_t** _retval) override;
    NS_IMETHOD GetAsISupports(nsISupports** _retval) override;
    NS_IMETHOD GetAsJSVal(void* aScriptValue) override;
    NS_IMETHOD GetAsInterface(nsIID** iid, void** iface) override;
    NS_IMETHOD_(nsresult) GetAsArray(uint16_t* type, nsIID* iid, uint32_t* count,
                                     void** ptr) override;
    NS_IMETHOD GetAsStringWithSize(uint32_t* size, char** str) override;
    NS_IMETHOD GetAsWStringWithSize(uint32_t* size, char16_t** str) override;

    NS_IMETHOD GetWritable(bool* aWritable) override;
    NS_IMETHOD SetWritable(bool aWritable) override;
    NS_IMETHOD SetAsInt8(uint8_t aValue) override;
    NS_IMETHOD SetAsInt16(int16_t aValue) override;
    NS_IMETHOD SetAsInt32(int32_t aValue) override;
    NS_IMETHOD SetAsInt64(int64_t aValue) override;
    NS_IMETHOD SetAsUint8(uint8_t aValue) override;
    NS_IMETHOD SetAsUint16(uint16_t aValue) override;
    NS_IMETHOD SetAsUint32(uint32_t aValue) override;
    NS_IMETHOD SetAsUint64(uint64_t aValue) override;
    NS_IMETHOD SetAsFloat(float aValue) override;
    NS_IMETHOD SetAsDouble(double aValue) override;
    NS_IMETHOD SetAsBool(bool aValue) override;
    NS_IMETHOD SetAsChar(char aValue) override;
    NS_IMETHOD SetAsWChar(char16_t aValue) override;
    NS_IMETHOD SetAsID(const nsID& aValue) override;
    NS_IMETHOD SetAsAString(const nsAString& aValue) override;
    NS_IMETHOD SetAsDOMString(const nsAString& aValue) override;
    NS_IMETHOD SetAsACString(const nsACString& aValue) override;
    NS_IMETHOD SetAsAUTF8String(const nsAUTF8String& aValue) override;
    NS_IMETHOD SetAsString(const char* aValue) override;
    NS_IMETHOD SetAsWString(const char16_t* aValue) override;
    NS_IMETHOD SetAsISupports(nsISupports* aValue) override;
    NS_IMETHOD SetAsInterface(const nsIID& iid, void* iface) override;
    NS_IMETHOD SetAsArray(uint16_t type, const nsIID* iid, uint32_t count, void* ptr) override;
    NS_IMETHOD SetAsStringWithSize(uint32_t size, const char* str) override;
    NS_IMETHOD SetAsWStringWithSize(uint32_t size, const char16_t* str) override;
    NS_IMETHOD SetAsVoid() override;
    NS_IMETHOD SetAsEmpty() override;
    NS_IMETHOD SetAsEmptyArray() override;
    NS_IMETHOD SetFromVariant(nsIVariant* aValue) override;

private:
    // A number read from the value, kept in the widest form of its kind.
    struct Number {
        enum Kind { eSigned, eUnsigned, eReal } kind;
        int64_t s;
        uint64_t u;
        double d;
    };

    ~Variant();

    void clear();
    nsresult begin_set();
    nsresult set_number(uint16_t type, Number number);
    nsresult read_number(Number& number) const;
    template <class T>
    nsresult get_integer(T* result) const;
    template <class T>
    nsresult get_real(T* result) const;
    bool is_text() const;
    bool is_narrow_text() const;
    nsresult read_utf8(std::string& text) const;
    nsresult read_utf16(std::u16string& text) const;
    nsresult set_utf8(uint16_t type, const char* data, size_t length);
    nsresult set_utf16(uint16_t type, const char16_t* data, size_t length);

    uint16_t m_type = nsIDataType::VTYPE_EMPTY;
    bool m_writable = true;
    Number m_number{Number::eSigned, 0, 0, 0.0};
    nsID m_id{};
    std::string m_narrow;     // narrow texts
    std::u16string m_wide;    // wide texts
    nsCOMPtr<nsISupports> m_interface;
    nsIID m_iid{};
    // VTYPE_ARRAY
    uint16_t m_element_type = 0;
    uint32_t m_count = 0;
    void* m_elements = nullptr;
};

}  // namespace xpcom_runtime

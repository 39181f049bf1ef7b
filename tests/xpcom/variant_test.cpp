// The platform's variant and mutable array classes, as a component and a page use them.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "nsIMutableArray.h"
#include "nsISimpleEnumerator.h"
#include "nsIVariant.h"
#include "nsXPCOM.h"
#include "xpcom_runtime/test_browser.h"

namespace {

typedef nsIDataType T;

class Variants : public ::testing::Test {
protected:
    nsCOMPtr<nsIWritableVariant> make() {
        return browser.create<nsIWritableVariant>(NS_VARIANT_CONTRACTID);
    }
    static uint16_t type_of(nsIVariant* v) {
        uint16_t type = 0xffff;
        v->GetDataType(&type);
        return type;
    }
    static std::u16string wide_of(nsIVariant* v) {
        char16_t* text = nullptr;
        if (NS_FAILED(v->GetAsWString(&text))) return u"<failed>";
        std::u16string result(text);
        NS_Free(text);
        return result;
    }
    static std::string narrow_of(nsIVariant* v) {
        char* text = nullptr;
        uint32_t size = 0;
        if (NS_FAILED(v->GetAsStringWithSize(&size, &text))) return "<failed>";
        std::string result(text, size);
        NS_Free(text);
        return result;
    }

    xpcom_runtime::TestBrowser browser;
};

TEST_F(Variants, StartEmptyAndReportWhatWasSet) {
    nsCOMPtr<nsIWritableVariant> v = make();
    ASSERT_TRUE(v);
    EXPECT_EQ(type_of(v), T::VTYPE_EMPTY);
    struct Case {
        const char* name;
        nsresult (*set)(nsIWritableVariant*);
        uint16_t type;
    } cases[] = {
        {"int32", [](nsIWritableVariant* w) { return w->SetAsInt32(-7); }, T::VTYPE_INT32},
        {"double", [](nsIWritableVariant* w) { return w->SetAsDouble(2.5); }, T::VTYPE_DOUBLE},
        {"bool", [](nsIWritableVariant* w) { return w->SetAsBool(true); }, T::VTYPE_BOOL},
        {"void", [](nsIWritableVariant* w) { return w->SetAsVoid(); }, T::VTYPE_VOID},
        {"empty", [](nsIWritableVariant* w) { return w->SetAsEmpty(); }, T::VTYPE_EMPTY},
        {"string", [](nsIWritableVariant* w) { return w->SetAsString("x"); }, T::VTYPE_CHAR_STR},
        {"wstring", [](nsIWritableVariant* w) { return w->SetAsWString(u"x"); }, T::VTYPE_WCHAR_STR},
        {"sized", [](nsIWritableVariant* w) { return w->SetAsStringWithSize(1, "x"); },
         T::VTYPE_STRING_SIZE_IS},
        {"wsized", [](nsIWritableVariant* w) { return w->SetAsWStringWithSize(1, u"x"); },
         T::VTYPE_WSTRING_SIZE_IS},
        {"empty array", [](nsIWritableVariant* w) { return w->SetAsEmptyArray(); },
         T::VTYPE_EMPTY_ARRAY},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.set(v), NS_OK) << c.name;
        EXPECT_EQ(type_of(v), c.type) << c.name;
    }
}

TEST_F(Variants, ConvertNumbersAndTexts) {
    nsCOMPtr<nsIWritableVariant> v = make();
    double d = 0;
    int32_t i = 0;
    bool b = false;
    v->SetAsInt32(-7);
    EXPECT_EQ(v->GetAsDouble(&d), NS_OK);
    EXPECT_EQ(d, -7.0);
    EXPECT_EQ(wide_of(v), u"-7");
    v->SetAsDouble(3.75);
    EXPECT_EQ(v->GetAsInt32(&i), NS_OK);
    EXPECT_EQ(i, 3);  // toward zero
    EXPECT_EQ(narrow_of(v), "3.75");
    v->SetAsDouble(1e12);
    EXPECT_EQ(v->GetAsInt32(&i), NS_ERROR_LOSS_OF_SIGNIFICANT_DATA);
    v->SetAsBool(true);
    EXPECT_EQ(v->GetAsBool(&b), NS_OK);
    EXPECT_TRUE(b);
    v->SetAsWString(u"42.5");
    EXPECT_EQ(v->GetAsDouble(&d), NS_OK);
    EXPECT_EQ(d, 42.5);
    v->SetAsWString(u"forty");
    EXPECT_EQ(v->GetAsDouble(&d), NS_ERROR_CANNOT_CONVERT_DATA);
    v->SetAsVoid();
    EXPECT_EQ(v->GetAsDouble(&d), NS_ERROR_CANNOT_CONVERT_DATA);
}

TEST_F(Variants, TextsKeepTheirContentAcrossKinds) {
    nsCOMPtr<nsIWritableVariant> v = make();
    // Narrow texts are UTF-8; a sized text may hold any bytes up to its size.
    const char json[] = "{\"a\":\"\xd0\x99\"}\n";
    v->SetAsStringWithSize(sizeof json - 1, json);
    EXPECT_EQ(narrow_of(v), std::string("{\"a\":\"\xd0\x99\"}\n"));
    EXPECT_EQ(wide_of(v), u"{\"a\":\"\u0419\"}\n");
    v->SetAsWStringWithSize(3, u"abcdef");
    EXPECT_EQ(wide_of(v), u"abc");
    nsString out;
    EXPECT_EQ(v->GetAsAString(out), NS_OK);
    EXPECT_TRUE(out.Equals(u"abc"));
    EXPECT_EQ(v->SetAsString(nullptr), NS_ERROR_NULL_POINTER);
}

TEST_F(Variants, ArraysOfVariantsRoundTripWithTheirReferences) {
    nsCOMPtr<nsIWritableVariant> first = make();
    nsCOMPtr<nsIWritableVariant> second = make();
    first->SetAsInt32(1);
    second->SetAsWString(u"x");
    nsIVariant* list[] = {first, second};
    nsCOMPtr<nsIWritableVariant> array = make();
    ASSERT_EQ(array->SetAsArray(T::VTYPE_INTERFACE_IS, &NS_GET_IID(nsIVariant), 2, list), NS_OK);
    EXPECT_EQ(type_of(array), T::VTYPE_ARRAY);
    // The array holds its own references: the caller's may go.
    first = nullptr;
    second = nullptr;

    uint16_t type = 0;
    nsIID iid{};
    uint32_t count = 0;
    void* elements = nullptr;
    ASSERT_EQ(array->GetAsArray(&type, &iid, &count, &elements), NS_OK);
    EXPECT_EQ(type, T::VTYPE_INTERFACE_IS);
    EXPECT_TRUE(iid.Equals(NS_GET_IID(nsIVariant)));
    ASSERT_EQ(count, 2u);
    auto** got = static_cast<nsIVariant**>(elements);
    int32_t n = 0;
    EXPECT_EQ(got[0]->GetAsInt32(&n), NS_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(wide_of(got[1]), u"x");
    for (uint32_t k = 0; k < count; ++k) got[k]->Release();  // the caller's copies
    NS_Free(elements);

    nsCOMPtr<nsIWritableVariant> empty = make();
    empty->SetAsEmptyArray();
    EXPECT_EQ(empty->GetAsArray(&type, &iid, &count, &elements), NS_ERROR_CANNOT_CONVERT_DATA);
}

TEST_F(Variants, ArraysOfNumbersAndTextsAreCopied) {
    int32_t numbers[] = {3, -4, 5};
    const char16_t* texts[] = {u"a", nullptr, u"bc"};
    nsCOMPtr<nsIWritableVariant> v = make();
    ASSERT_EQ(v->SetAsArray(T::VTYPE_INT32, nullptr, 3, numbers), NS_OK);
    numbers[0] = 99;
    uint16_t type = 0;
    uint32_t count = 0;
    void* elements = nullptr;
    ASSERT_EQ(v->GetAsArray(&type, nullptr, &count, &elements), NS_OK);
    EXPECT_EQ(static_cast<int32_t*>(elements)[0], 3);
    NS_Free(elements);

    ASSERT_EQ(v->SetAsArray(T::VTYPE_WCHAR_STR, nullptr, 3, texts), NS_OK);
    ASSERT_EQ(v->GetAsArray(&type, nullptr, &count, &elements), NS_OK);
    auto** got = static_cast<char16_t**>(elements);
    EXPECT_EQ(std::u16string(got[0]), u"a");
    EXPECT_EQ(got[1], nullptr);
    EXPECT_EQ(std::u16string(got[2]), u"bc");
    EXPECT_NE(got[0], texts[0]);
    for (uint32_t k = 0; k < count; ++k) NS_Free(got[k]);
    NS_Free(elements);

    EXPECT_EQ(v->SetAsArray(T::VTYPE_ASTRING, nullptr, 1, texts), NS_ERROR_ILLEGAL_VALUE);
    EXPECT_EQ(v->SetAsArray(T::VTYPE_INT32, nullptr, 2, nullptr), NS_ERROR_NULL_POINTER);
}

TEST_F(Variants, ReadOnlyRefusesAndCopyTakesEverything) {
    nsCOMPtr<nsIWritableVariant> source = make();
    source->SetAsWString(u"kept");
    nsCOMPtr<nsIWritableVariant> copy = make();
    EXPECT_EQ(copy->SetFromVariant(source), NS_OK);
    EXPECT_EQ(type_of(copy), T::VTYPE_WCHAR_STR);
    EXPECT_EQ(wide_of(copy), u"kept");
    copy->SetWritable(false);
    EXPECT_EQ(copy->SetAsInt32(1), NS_ERROR_OBJECT_IS_IMMUTABLE);
    EXPECT_EQ(wide_of(copy), u"kept");

    nsCOMPtr<nsIWritableVariant> holder = make();
    ASSERT_EQ(holder->SetAsISupports(source), NS_OK);
    nsCOMPtr<nsISupports> back;
    EXPECT_EQ(holder->GetAsISupports(getter_AddRefs(back)), NS_OK);
    nsCOMPtr<nsISupports> identity;
    source->QueryInterface(NS_GET_IID(nsISupports), getter_AddRefs(identity));
    EXPECT_EQ(back.get(), identity.get());
}

TEST_F(Variants, MutableArrayKeepsOrderAndReferences) {
    nsCOMPtr<nsIMutableArray> array = browser.create<nsIMutableArray>(NS_ARRAY_CONTRACTID);
    ASSERT_TRUE(array);
    nsCOMPtr<nsIWritableVariant> a = make(), b = make(), c = make();
    a->SetAsInt32(1);
    b->SetAsInt32(2);
    c->SetAsInt32(3);
    EXPECT_EQ(array->AppendElement(a, false), NS_OK);
    EXPECT_EQ(array->AppendElement(c, false), NS_OK);
    EXPECT_EQ(array->InsertElementAt(b, 1, false), NS_OK);
    EXPECT_EQ(array->AppendElement(a, true), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(array->InsertElementAt(a, 9, false), NS_ERROR_ILLEGAL_VALUE);
    uint32_t length = 0;
    array->GetLength(&length);
    EXPECT_EQ(length, 3u);
    uint32_t index = 0;
    EXPECT_EQ(array->IndexOf(0, c, &index), NS_OK);
    EXPECT_EQ(index, 2u);

    nsCOMPtr<nsISimpleEnumerator> walk;
    ASSERT_EQ(array->Enumerate(getter_AddRefs(walk)), NS_OK);
    int32_t expected = 1;
    bool more = false;
    while (NS_SUCCEEDED(walk->HasMoreElements(&more)) && more) {
        nsCOMPtr<nsISupports> element;
        walk->GetNext(getter_AddRefs(element));
        nsCOMPtr<nsIVariant> value = do_QueryInterface(element);
        int32_t n = 0;
        ASSERT_TRUE(value);
        value->GetAsInt32(&n);
        EXPECT_EQ(n, expected++);
    }
    EXPECT_EQ(expected, 4);

    EXPECT_EQ(array->ReplaceElementAt(a, 2, false), NS_OK);
    EXPECT_EQ(array->RemoveElementAt(0), NS_OK);
    EXPECT_EQ(array->RemoveElementAt(5), NS_ERROR_ILLEGAL_VALUE);
    nsCOMPtr<nsIVariant> last;
    EXPECT_EQ(array->QueryElementAt(1, NS_GET_IID(nsIVariant), getter_AddRefs(last)), NS_OK);
    EXPECT_EQ(last.get(), static_cast<nsIVariant*>(a.get()));
    EXPECT_EQ(array->QueryElementAt(2, NS_GET_IID(nsIVariant), getter_AddRefs(last)),
              NS_ERROR_ILLEGAL_VALUE);
    EXPECT_EQ(array->Clear(), NS_OK);
    array->GetLength(&length);
    EXPECT_EQ(length, 0u);
}

}  // namespace

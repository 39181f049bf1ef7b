// Values through the site and the adapter, in plain and JSON mode and in both directions,
// and the parameter lists of calls, with a stand-in add-in installed beside a copy of the
// component. Also the classes a library announces and what the add-in's callbacks reach.

#include "component_fixture.h"

#include <cstring>
#include <functional>

#include "failing_allocations.h"
#include "environment_variable.h"
#include "library_loader.h"
#include "nsComponentManagerUtils.h"
#include "temp_folder.h"

namespace velmor_test {
namespace {

class Values : public ComponentFixture {
protected:
    std::string componentPath() const override {
        m_installed = m_folder.copyIn(VELMOR_STUB_ADDIN, "VelmorPlovik" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
        return m_folder.copyIn(VELMOR_FIREFOX_COMPONENT,
                               "VelmorQuillonFF" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
    }
    void SetUp() override {
        unset_environment("STUB_ADDIN");
        ComponentFixture::SetUp();
        ASSERT_FALSE(m_installed.empty());
        m_service = newService(m_page);
        m_site = loadAndCreate(m_service, u"Stub");
        ASSERT_TRUE(m_site);
    }
    void TearDown() override {
        m_site = nullptr;
        m_service = nullptr;
        ComponentFixture::TearDown();
    }
    void json(bool on) { m_service->SetCapabilities(on ? 1 : 0); }

    nsCOMPtr<nsIVariant> get(const char16_t* name, nsresult expected = NS_OK) {
        nsCOMPtr<nsIVariant> value;
        EXPECT_EQ(expected, m_site->GetPropertyValue(name, getter_AddRefs(value))) << "get";
        return value;
    }
    nsCOMPtr<nsIVariant> call(const char16_t* name, nsIVariant* params, nsresult expected = NS_OK) {
        nsCOMPtr<nsIVariant> result;
        EXPECT_EQ(expected, m_site->Call(name, params, getter_AddRefs(result))) << "call";
        return result;
    }
    static nsCOMPtr<nsIWritableVariant> int_array(std::vector<int32_t> values) {
        nsCOMPtr<nsIWritableVariant> array = do_CreateInstance(NS_VARIANT_CONTRACTID);
        array->SetAsArray(nsIDataType::VTYPE_INT32, nullptr, static_cast<uint32_t>(values.size()),
                          values.data());
        return array;
    }

    mutable TempFolder m_folder;
    mutable std::string m_installed;
    nsCOMPtr<IAddInServiceEx4> m_service;
    nsCOMPtr<IAddInSiteExt> m_site;
};

TEST_F(Values, PlainModeKeepsTheDataTypes) {
    ASSERT_EQ(NS_OK, m_site->SetPropertyValue(u"Value", int_variant(5)));
    nsCOMPtr<nsIVariant> value = get(u"Value");
    EXPECT_EQ(nsIDataType::VTYPE_INT32, data_type(value));
    int32_t number = 0;
    value->GetAsInt32(&number);
    EXPECT_EQ(5, number);

    get(u"WriteOnly", NS_ERROR_FAILURE);
    get(u"Nothing", NS_ERROR_INVALID_ARG);
    EXPECT_EQ(NS_ERROR_INVALID_ARG, m_site->SetPropertyValue(u"Nothing", int_variant(1)));
}

TEST_F(Values, JsonModeSpeaksTheTypeValueFormBothWays) {
    json(true);
    ASSERT_EQ(NS_OK, m_site->SetPropertyValue(u"Value", string_variant(u"{\"type\":\"int\",\"value\":9}")));
    nsCOMPtr<nsIVariant> value = get(u"Value");
    EXPECT_EQ(u"{\"type\":\"int\",\"value\":9}\n", variant_text(value));
    json(false);
    EXPECT_EQ(nsIDataType::VTYPE_INT32, data_type(get(u"Value")));
}

TEST_F(Values, JsonTextThatDoesNotConvertArrivesAsText) {
    json(true);
    const char16_t* const texts[] = {u"{\"a\":1}", u"plain words", u"{\"type\":\"int\",\"value\":\"7\"}"};
    for (const char16_t* text : texts) {
        nsCOMPtr<nsIWritableVariant> list = do_CreateInstance(NS_VARIANT_CONTRACTID);
        nsCOMPtr<nsIWritableVariant> element = string_variant(text);
        nsISupports* elements[] = {element.get()};
        list->SetAsArray(nsIDataType::VTYPE_INTERFACE_IS, &NS_GET_IID(nsIVariant), 1, elements);
        nsCOMPtr<nsIVariant> result = call(u"One", list);
        std::string expected = "{\"type\":\"string\",\"value\":\"";
        for (const char16_t* c = text; *c; ++c) {
            if (*c == '"') expected += '\\';
            expected += static_cast<char>(*c);
        }
        expected += "\"}\n";
        EXPECT_EQ(utf16(expected), variant_text(result));
    }
}

TEST_F(Values, ParameterListsFillUpWithDefaults) {
    int32_t sum = 0;
    call(u"Add", int_variant(5))->GetAsInt32(&sum);  // one value for two parameters
    EXPECT_EQ(15, sum);
    call(u"Add", int_array({2, 3}))->GetAsInt32(&sum);
    EXPECT_EQ(5, sum);
    call(u"Add", string_variant(u"[1,2]"), NS_ERROR_FAILURE);  // plain mode: a text is no list

    json(true);
    EXPECT_EQ(u"{\"type\":\"int\",\"value\":3}\n", variant_text(call(u"Add", string_variant(u"[1,2]"))));
    EXPECT_EQ(u"{\"type\":\"int\",\"value\":11}\n", variant_text(call(u"Add", string_variant(u"[1]"))));
    call(u"Add", string_variant(u"[]"), NS_ERROR_FAILURE);  // no parameters given: the add-in refuses
    EXPECT_EQ(NS_ERROR_INVALID_ARG, m_site->Call(u"Missing", nullptr, nullptr));
}

// Texts nested deeper than the JSON reader goes (1,000 levels), of arrays or of objects.
std::string nested_text(int levels, bool objects) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += objects ? "{\"a\":" : "[";
    text += objects ? "{}" : "";
    for (int i = 0; i < levels; ++i) text += objects ? "}" : "]";
    return text;
}

std::u16string json_string_of(const std::string& text) {
    std::string written = "{\"type\":\"string\",\"value\":\"";
    for (char c : text) {
        if (c == '"') written += '\\';
        written += c;
    }
    return utf16(written + "\"}\n");
}

// Every road by which page text reaches the JSON reader: what the reader cannot take arrives
// as the text itself (an element) or as no parameters (a parameter text), and never throws.
TEST_F(Values, TextNestedTooDeepForTheReaderArrivesAsTextOrNoParameters) {
    json(true);
    const std::u16string kNoParameters = u"{\"type\":\"empty\",\"value\":{}}\n";
    struct Way {
        const char* name;
        std::function<nsresult(IAddInSiteExt&, const std::string&, nsCOMPtr<nsIVariant>&)> run;
        bool arrivesAsText;  // else: the method gets no parameters (the stub returns empty)
    };
    auto narrow = [](const std::string& text) {
        nsCOMPtr<nsIWritableVariant> v = do_CreateInstance(NS_VARIANT_CONTRACTID);
        v->SetAsString(text.c_str());
        return v;
    };
    auto one = [](IAddInSiteExt& site, nsIVariant* params, nsCOMPtr<nsIVariant>& result) {
        return site.Call(u"One", params, getter_AddRefs(result));
    };
    const Way ways[] = {
        {"a wide property text",
         [](IAddInSiteExt& site, const std::string& text, nsCOMPtr<nsIVariant>&) {
             return site.SetPropertyValue(u"Value", string_variant(utf16(text)));
         },
         false},
        {"a narrow property text",
         [&](IAddInSiteExt& site, const std::string& text, nsCOMPtr<nsIVariant>&) {
             return site.SetPropertyValue(u"Value", narrow(text));
         },
         false},
        {"wide parameter text",
         [&](IAddInSiteExt& site, const std::string& text, nsCOMPtr<nsIVariant>& result) {
             return one(site, string_variant(utf16(text)), result);
         },
         false},
        {"narrow parameter text",
         [&](IAddInSiteExt& site, const std::string& text, nsCOMPtr<nsIVariant>& result) {
             return one(site, narrow(text), result);
         },
         false},
        {"a parameter array's element",
         [&](IAddInSiteExt& site, const std::string& text, nsCOMPtr<nsIVariant>& result) {
             nsCOMPtr<nsIWritableVariant> list = do_CreateInstance(NS_VARIANT_CONTRACTID);
             nsCOMPtr<nsIWritableVariant> element = string_variant(utf16(text));
             nsISupports* elements[] = {element.get()};
             list->SetAsArray(nsIDataType::VTYPE_INTERFACE_IS, &NS_GET_IID(nsIVariant), 1,
                              elements);
             return one(site, list, result);
         },
         true},
        {"an array of wide strings",
         [&](IAddInSiteExt& site, const std::string& text, nsCOMPtr<nsIVariant>& result) {
             const std::u16string wide = utf16(text);
             const char16_t* elements[] = {wide.c_str()};
             nsCOMPtr<nsIWritableVariant> list = do_CreateInstance(NS_VARIANT_CONTRACTID);
             list->SetAsArray(nsIDataType::VTYPE_WCHAR_STR, nullptr, 1, elements);
             return one(site, list, result);
         },
         true},
    };
    for (int levels : {1000, 1001}) {
        for (bool objects : {false, true}) {
            const std::string text = nested_text(levels, objects);
            for (const Way& way : ways) {
                SCOPED_TRACE(std::string(way.name) + ", " + std::to_string(levels) +
                             (objects ? " objects" : " arrays"));
                nsCOMPtr<nsIVariant> result;
                nsresult rv = NS_ERROR_UNEXPECTED;
                EXPECT_NO_THROW(rv = way.run(*m_site, text, result));
                EXPECT_EQ(NS_OK, rv);
                if (!result) continue;  // a property: the stub takes only numbers
                EXPECT_EQ(way.arrivesAsText ? json_string_of(text) : kNoParameters,
                          variant_text(result));
            }
        }
    }
}

// The add-in claims more narrow bytes than its block holds: the page gets what the block
// holds, each ill-formed sequence one replacement character, in either mode.
TEST_F(Values, NarrowTextAndBlobsAreReadNoFurtherThanTheirBlock) {
    const struct {
        const char* name;
        const char16_t* method;
        bool json;
        std::u16string expected;
    } cases[] = {
        {"plain text", u"OverlongText", false, u"\ufffdABC\ufffdA"},
        {"plain blob", u"OverlongBlob", false, u"\ufffdABC\ufffdA"},
        {"JSON text", u"OverlongText", true,
         u"{\"type\":\"string\",\"value\":\"\\ufffdABC\\ufffdA\"}\n"},
        {"JSON blob", u"OverlongBlob", true,
         u"{\"type\":\"blob\",\"value\":\"\\ufffdABC\\ufffdA\"}\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        json(c.json);
        EXPECT_EQ(c.expected, variant_text(call(c.method, nullptr)));
    }
}

// The texts of the variants in an array variant; none when it holds no array.
std::vector<std::u16string> element_texts(nsIVariant* list) {
    std::vector<std::u16string> texts;
    uint16_t type = 0;
    nsIID iid;
    uint32_t count = 0;
    void* elements = nullptr;
    if (list == nullptr || NS_FAILED(list->GetAsArray(&type, &iid, &count, &elements))) return texts;
    nsISupports** items = static_cast<nsISupports**>(elements);
    for (uint32_t i = 0; i < count; ++i) {
        nsCOMPtr<nsIVariant> item = do_QueryInterface(items[i]);
        texts.push_back(variant_text(item));
        items[i]->Release();
    }
    NS_Free(elements);
    return texts;
}

// Texts and blobs whose claimed length runs past their block (the stand-in's claim cases):
// the page gets what the block holds, as the call's result, an out-parameter, a property and
// the add-in's Write, in either mode; a claim that runs past its block ends at the block's
// first zero, an honest one keeps its embedded zeros.
TEST_F(Values, ClaimedLengthsAreReadNoFurtherThanTheBlock) {
    const std::u16string letters = u"abcdefgh", bytes = u"0123456789abcdef";
    const struct {
        int claim;
        const char* type;  // in JSON mode
        std::u16string plain;
        std::u16string json;  // the JSON "value"
    } cases[] = {
        {0, "string", letters, u"\"abcdefgh\""}, {1, "string", letters, u"\"abcdefgh\""},
        {2, "string", u"abc", u"\"abc\""},
        // The platform's variant reads a narrow text as UTF-8, which a zero ends.
        {3, "string", u"a", u"\"a\\u0000b\""},
        {4, "string", u"ab", u"\"ab\""},           {5, "string", letters, u"\"abcdefgh\""},
        {6, "string", letters, u"\"abcdefgh\""},  {7, "blob", bytes, u"\"0123456789abcdef\""},
        {8, "blob", bytes, u"\"0123456789abcdef\""},
    };
    for (bool jsonMode : {false, true}) {
        json(jsonMode);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.claim) + (jsonMode ? " in JSON mode" : " in plain mode"));
            const std::u16string expected =
                jsonMode ? u"{\"type\":\"" + utf16(c.type) + u"\",\"value\":" + c.json + u"}\n"
                         : c.plain;
            EXPECT_EQ(expected, variant_text(call(u"Claim", int_array({c.claim, 0}))))
                << "as the result";
            nsCOMPtr<nsIVariant> params;
            nsCOMPtr<nsIVariant> result;
            ASSERT_EQ(NS_OK, m_site->CallExt(u"Claim", int_array({c.claim, 1}),
                                             getter_AddRefs(params), getter_AddRefs(result)));
            const std::vector<std::u16string> out = element_texts(params);
            EXPECT_EQ(expected, out.empty() ? u"(none)" : out[0]) << "as an out-parameter";
            const std::u16string number = utf16(std::to_string(c.claim));
            ASSERT_EQ(NS_OK, m_site->SetPropertyValue(
                                 u"Claimed", jsonMode ? string_variant(u"{\"type\":\"int\",\"value\":" +
                                                                       number + u"}")
                                                      : int_variant(c.claim)));
            EXPECT_EQ(expected, variant_text(get(u"Claimed"))) << "as a property";
            m_page->clear();
            call(u"Claim", int_array({c.claim, 2}));
            ASSERT_EQ(1u, m_page->count("writeValue"));
            EXPECT_EQ(expected, m_page->calls("writeValue")[0].b) << "through Write";
        }
    }
}

TEST_F(Values, CallExtHandsBackTheParametersThePageGave) {
    nsCOMPtr<nsIVariant> params;
    nsCOMPtr<nsIVariant> result;
    ASSERT_EQ(NS_OK, m_site->CallExt(u"Add", int_array({2, 3}), getter_AddRefs(params),
                                     getter_AddRefs(result)));
    ASSERT_TRUE(params);
    uint16_t type = 0;
    nsIID iid;
    uint32_t count = 0;
    void* elements = nullptr;
    ASSERT_EQ(NS_OK, params->GetAsArray(&type, &iid, &count, &elements));
    ASSERT_EQ(2u, count);
    nsISupports** items = static_cast<nsISupports**>(elements);
    nsCOMPtr<nsIVariant> first = do_QueryInterface(items[0]);
    nsCOMPtr<nsIVariant> second = do_QueryInterface(items[1]);
    EXPECT_EQ(u"changed", variant_text(first));  // by reference, as the add-in left it
    int32_t b = 0;
    second->GetAsInt32(&b);
    EXPECT_EQ(3, b);
    for (uint32_t i = 0; i < count; ++i) items[i]->Release();
    NS_Free(elements);

    json(true);
    ASSERT_EQ(NS_OK, m_site->CallExt(u"Add", int_array({4}), getter_AddRefs(params),
                                     getter_AddRefs(result)));
    ASSERT_EQ(NS_OK, params->GetAsArray(&type, &iid, &count, &elements));
    ASSERT_EQ(1u, count);  // the default added for the second parameter does not come back
    items = static_cast<nsISupports**>(elements);
    nsCOMPtr<nsIVariant> only = do_QueryInterface(items[0]);
    EXPECT_EQ(u"{\"type\":\"string\",\"value\":\"changed\"}\n", variant_text(only));
    items[0]->Release();
    NS_Free(elements);
    EXPECT_EQ(u"{\"type\":\"int\",\"value\":14}\n", variant_text(result));
}

// The add-in writes over the texts the component lent it, moves one into another record and
// writes one block of its own into two records and the result: the page sees what it wrote,
// and every block goes back once (under LeakSanitizer the program must still end cleanly).
TEST_F(Values, OutParametersGiveBackEveryBlockOnceWhateverTheAddInWrote) {
    const std::u16string large(50000, u'x');
    std::u16string given[] = {large, u"b", large, u"kept"};
    char16_t* texts[] = {&given[0][0], &given[1][0], &given[2][0], &given[3][0]};
    nsCOMPtr<nsIWritableVariant> list = do_CreateInstance(NS_VARIANT_CONTRACTID);
    ASSERT_EQ(NS_OK, list->SetAsArray(nsIDataType::VTYPE_WCHAR_STR, nullptr, 4, texts));
    const char16_t* const expected[] = {u"out", u"kept", u"out", u"kept"};
    for (int round = 0; round < 20; ++round) {
        nsCOMPtr<nsIVariant> params;
        nsCOMPtr<nsIVariant> result;
        ASSERT_EQ(NS_OK, m_site->CallExt(u"Rewrite", list, getter_AddRefs(params),
                                         getter_AddRefs(result)))
            << "round " << round;
        EXPECT_EQ(u"out", variant_text(result)) << "round " << round;
        const std::vector<std::u16string> back = element_texts(params);
        ASSERT_EQ(4u, back.size()) << "round " << round;
        for (size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(expected[i], back[i]) << "round " << round << " parameter " << i;
        }
    }
}

nsCOMPtr<nsIWritableVariant> wide_list(std::vector<std::u16string> texts) {
    std::vector<const char16_t*> units;
    for (const std::u16string& text : texts) units.push_back(text.c_str());
    nsCOMPtr<nsIWritableVariant> list = do_CreateInstance(NS_VARIANT_CONTRACTID);
    list->SetAsArray(nsIDataType::VTYPE_WCHAR_STR, nullptr, static_cast<uint32_t>(units.size()),
                     units.data());
    return list;
}

// What the add-in leaves in a record that is no block it was given (a pointer into another
// parameter's block, a block it freed through its memory manager, a static buffer) is read but
// not freed: the call is answered, and the next one too (under AddressSanitizer a free of any
// of them ends the program). A lent block the add-in freed is its manager's: the record it
// freed it from reads empty.
TEST_F(Values, StrayPointersAreNotFreedAndTheNextCallIsAnswered) {
    const struct {
        const char* name;
        std::vector<std::u16string> params;  // what, where, text
        std::u16string result;
        std::vector<std::u16string> back;
    } cases[] = {
        {"middle of another block as the result", {u"middle", u"result", u"abc"}, u"bc",
         {u"middle", u"result", u"abc"}},
        {"middle of another block as an out-parameter", {u"middle", u"out", u"abc"}, u"1",
         {u"middle", u"bc", u"abc"}},
        {"freed lent block as the result", {u"freed", u"result", u"abc"}, u"",
         {u"freed", u"result", u""}},
        {"freed lent block as an out-parameter", {u"freed", u"out", u"abc"}, u"1",
         {u"freed", u"", u""}},
        {"static buffer as the result", {u"static", u"result", u"abc"}, u"static",
         {u"static", u"result", u"abc"}},
        {"static buffer as an out-parameter", {u"static", u"out", u"abc"}, u"1",
         {u"static", u"static", u"abc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int round = 0; round < 3; ++round) {
            nsCOMPtr<nsIVariant> params;
            nsCOMPtr<nsIVariant> result;
            ASSERT_EQ(NS_OK, m_site->CallExt(u"Stray", wide_list(c.params), getter_AddRefs(params),
                                             getter_AddRefs(result)));
            EXPECT_EQ(c.result, variant_text(result));
            EXPECT_EQ(c.back, element_texts(params));
            EXPECT_EQ(u"2", variant_text(call(u"One", int_array({2}))));
        }
    }
    const struct {
        const char* name;
        const char16_t* what;
    } written[] = {{"middle", u"middle"}, {"freed", u"freed"}, {"static", u"static"}};
    for (const auto& w : written) {
        SCOPED_TRACE(std::string("property written with ") + w.name);
        EXPECT_EQ(NS_OK, m_site->SetPropertyValue(u"Stray", string_variant(w.what)));
        EXPECT_EQ(u"static", variant_text(get(u"Stray")));
        EXPECT_EQ(u"2", variant_text(call(u"One", int_array({2}))));
    }
}

// A method of three parameters called with two: the add-in writes an out-parameter over the
// default it gave for the third, and that default still goes back (LeakSanitizer counts it).
TEST_F(Values, ADefaultWrittenOverGoesBack) {
    for (int round = 0; round < 20; ++round) {
        nsCOMPtr<nsIVariant> params;
        nsCOMPtr<nsIVariant> result;
        ASSERT_EQ(NS_OK, m_site->CallExt(u"Defaulted", int_array({1, 2}), getter_AddRefs(params),
                                         getter_AddRefs(result)))
            << "round " << round;
        EXPECT_EQ(u"default", variant_text(result)) << "round " << round;
        EXPECT_EQ(2u, element_texts(params).size()) << "round " << round;
    }
}

// Narrow text reaches the page as the Chrome host gives it: each maximal ill-formed subpart one
// replacement character, no byte after it swallowed.
TEST_F(Values, NarrowTextIsDecodedByTheSharedCodec) {
    const struct {
        const char* hex;
        std::u16string page;
    } cases[] = {
        {"FFFEC328", u"\ufffd\ufffd\ufffd("}, {"E282", u"\ufffd"},
        {"E28241", u"\ufffdA"},               {"F0908080", u"\U00010000"},
        {"EDA080", u"\ufffd\ufffd\ufffd"},    {"C0AF41", u"\ufffd\ufffdA"},
        {"D0BF", u"\u043f"},
    };
    for (const auto& c : cases) {
        const std::u16string hex(c.hex, c.hex + std::strlen(c.hex));
        EXPECT_EQ(c.page, variant_text(call(u"Narrow", wide_list({hex})))) << "hex " << c.hex;
    }
}

nsCOMPtr<nsIWritableVariant> narrow_variant(const char* text) {
    nsCOMPtr<nsIWritableVariant> variant = do_CreateInstance(NS_VARIANT_CONTRACTID);
    if (variant) variant->SetAsString(text);
    return variant;
}

nsCOMPtr<nsIWritableVariant> narrow_array(std::vector<const char*> texts) {
    nsCOMPtr<nsIWritableVariant> array = do_CreateInstance(NS_VARIANT_CONTRACTID);
    array->SetAsArray(nsIDataType::VTYPE_CHAR_STR, nullptr, static_cast<uint32_t>(texts.size()),
                      texts.data());
    return array;
}

// Memory runs out at each allocation in turn of a call, a property write and a read, in both
// value modes: every attempt answers, and nothing it made is left behind (LeakSanitizer counts
// what is). The texts are longer than any string keeps in place, so that copies allocate.
TEST_F(Values, MemoryRunningOutAnywhereInAnEntryPointLeavesNothingBehind) {
    const char* const longText = "a text longer than any string keeps in place, to be copied";
    struct Case {
        const char* name;
        bool jsonMode;
        std::function<nsresult()> run;
    };
    nsCOMPtr<nsIVariant> out;
    nsCOMPtr<nsIVariant> outParams;
    // Made before memory runs out: only the entry points' own allocations fail.
    const nsCOMPtr<nsIWritableVariant> texts = narrow_array({longText, longText});
    const nsCOMPtr<nsIWritableVariant> text = narrow_variant(longText);
    const nsCOMPtr<nsIWritableVariant> wideJson = string_variant(u"[1]");
    const nsCOMPtr<nsIWritableVariant> narrowJson =
        narrow_variant("[\"a text longer than any string keeps in place\"]");
    const nsCOMPtr<nsIWritableVariant> value = narrow_variant("{\"type\":\"int\",\"value\":9}");
    const Case cases[] = {
        {"CallExt with an array of narrow texts", false,
         [&] {
             return m_site->CallExt(u"One", texts, getter_AddRefs(outParams), getter_AddRefs(out));
         }},
        {"Call with one narrow text", false,
         [&] { return m_site->Call(u"One", text, getter_AddRefs(out)); }},
        {"CallExt with wide JSON text", true,
         [&] {
             return m_site->CallExt(u"Add", wideJson, getter_AddRefs(outParams),
                                    getter_AddRefs(out));
         }},
        {"Call with narrow JSON text", true,
         [&] { return m_site->Call(u"One", narrowJson, getter_AddRefs(out)); }},
        {"SetPropertyValue with narrow text", true,
         [&] { return m_site->SetPropertyValue(u"Value", value); }},
        {"GetPropertyValue", true,
         [&] { return m_site->GetPropertyValue(u"Value", getter_AddRefs(out)); }},
    };
    for (const Case& c : cases) {
        json(c.jsonMode);
        bool reachedTheEnd = false;
        for (unsigned nth = 1; nth < 20000 && !reachedTheEnd; ++nth) {
            nsresult answer = NS_OK;
            {
                FailingAllocations failing(nth);
                answer = c.run();
                reachedTheEnd = !failing.failed();
            }
            out = nullptr;
            outParams = nullptr;
            if (reachedTheEnd) {
                EXPECT_EQ(NS_OK, answer) << c.name << ": the call without a failure";
            }
        }
        EXPECT_TRUE(reachedTheEnd) << c.name << ": 20000 allocations and no end";
        EXPECT_EQ(NS_OK, c.run()) << c.name << ": afterwards";
        out = nullptr;
        outParams = nullptr;
    }
}

TEST_F(Values, EveryCallbackOfTheAddInReachesThePageOrThePlatform) {
    m_page->clear();
    nsCOMPtr<nsIVariant> result = call(u"Callbacks", nullptr);
    EXPECT_EQ(u"8.3.1|TestBrowser/31|confirm=false|alert|depth=5|read=0", variant_text(result));
    EXPECT_EQ(1u, m_page->count("addError"));
    ASSERT_EQ(1u, m_page->count("writeValue"));
    EXPECT_EQ(u"5", m_page->calls("writeValue")[0].b);
    EXPECT_EQ(1u, m_page->count("readValue"));
    EXPECT_EQ(1u, m_page->count("registerProfileAs"));
    EXPECT_EQ(1u, m_page->count("setStatusLine"));
    EXPECT_EQ(1u, m_page->count("resetStatusLine"));
    EXPECT_EQ(1u, m_page->count("externalEvent"));
    EXPECT_EQ(2u, m_browser->prompt_calls().size());
}

// Two threads of the add-in call every host operation but the events while the main thread
// asks for the platform information again and again: none of their calls reaches the page or
// the browser's dialogs, each answers its failure, and the platform information they read is
// the record the main thread made.
TEST_F(Values, CallsFromTheAddInsOwnThreadsStayOffThePage) {
    const std::u16string info = u"8.3.1|TestBrowser/31";
    EXPECT_EQ(info, variant_text(call(u"Platform", nullptr)));
    m_page->clear();
    const size_t prompts = m_browser->prompt_calls().size();
    call(u"StartCallers", int_variant(2));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(info, variant_text(call(u"Platform", nullptr)));
    const std::u16string refused =
        u"alert=0 confirm=0 error=0 read=0 write=0 profile=0 status=0 depth=7 info=" + info;
    EXPECT_EQ(refused + u";" + refused, variant_text(call(u"AwaitCallers", nullptr)));
    for (const PageCall& c : m_page->calls()) {
        EXPECT_TRUE(c.onMainThread) << c.method << " came on another thread";
        EXPECT_TRUE(c.method == "getUserAgent" || c.method == "getVersion") << c.method;
    }
    EXPECT_EQ(prompts, m_browser->prompt_calls().size());
}

TEST_F(Values, EveryClassOfTheListIsAnnouncedAndTheFirstRecordStays) {
    const std::vector<PageCall> names = m_page->calls("registerClassName");
    ASSERT_EQ(3u, names.size());  // "Stub", "" and "Other": each registers as Stub
    for (const PageCall& call : names) EXPECT_EQ(u"Stub", call.a);
}

// Names in blocks without a terminator are read no further than the block.
TEST_F(Values, NamesEndAtTheirBlock) {
    set_environment("STUB_ADDIN", "unterminated");
    bool loaded = false;
    m_page->clear();
    ASSERT_EQ(NS_OK, m_service->LoadAddIn(u"Two", u"second", 0, &loaded));
    const std::vector<PageCall> names = m_page->calls("registerClassName");
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(u"Two.Stub", names[0].a);
    nsCOMPtr<IAddInSiteExt> site;
    ASSERT_EQ(NS_OK, m_service->CreateInstanceExt(u"Two.Stub", getter_AddRefs(site)));
    char16_t* name = nullptr;
    ASSERT_EQ(NS_OK, site->GetPropName(0, 0, &name));
    EXPECT_EQ(u"Value", std::u16string(name));
    NS_Free(name);
    ASSERT_EQ(NS_OK, site->GetMethodName(0, 0, &name));
    EXPECT_EQ(u"Add", std::u16string(name));
    NS_Free(name);
    unset_environment("STUB_ADDIN");
}

TEST_F(Values, AVersionOf1500IsServedByOneSite) {
    set_environment("STUB_ADDIN", "shared");  // read when the add-in is asked for its version
    bool loaded = false;
    ASSERT_EQ(NS_OK, m_service->LoadAddIn(u"Two", u"second", 0, &loaded));
    nsCOMPtr<IAddInSite> first, second;
    ASSERT_EQ(NS_OK, m_service->CreateInstance(u"Two.Stub", getter_AddRefs(first)));
    ASSERT_EQ(NS_OK, m_service->CreateInstance(u"Two.Stub", getter_AddRefs(second)));
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(1500u, first->GetVersion());
    unset_environment("STUB_ADDIN");
}

TEST_F(Values, AClassThatRefusesFailsTheLoadAndTheLocationStaysOpen) {
    set_environment("STUB_ADDIN", "refuse");
    bool loaded = false;
    EXPECT_EQ(NS_ERROR_FILE_TARGET_DOES_NOT_EXIST, m_service->LoadAddIn(u"R", u"third", 0, &loaded));
    EXPECT_FALSE(loaded);
    unset_environment("STUB_ADDIN");
    EXPECT_EQ(NS_OK, m_service->LoadAddIn(u"R", u"third", 0, &loaded));
    EXPECT_TRUE(loaded);
}

// A library whose class gives no object fails the load, and the adapter that opened it does
// not leave it mapped.
TEST_F(Values, ALibraryThatGivesNoObjectIsNotLeftLoaded) {
    set_environment("STUB_ADDIN", "noobject");
    bool loaded = false;
    EXPECT_EQ(NS_ERROR_FILE_TARGET_DOES_NOT_EXIST, m_service->LoadAddIn(u"N", u"fourth", 0, &loaded));
    unset_environment("STUB_ADDIN");
    m_site = nullptr;
    m_service = nullptr;  // the earlier sites, and their adapters, go
    void* still = hold_loaded_library(m_installed);
    EXPECT_EQ(nullptr, still) << m_installed << " is still loaded";
    if (still != nullptr) unload_library(still);
}

// The page ends a site from the add-in's own callback (its addError), while the add-in's
// method is still on the stack: by Done, or by letting go of its last reference. The method
// must return into a live object, and the site then answers as a finished one.
TEST_F(Values, ASiteEndedInsideTheAddInsCallbackFinishesWhenTheCallReturns) {
    nsCOMPtr<IAddInSiteExt> finished;
    ASSERT_EQ(NS_OK, m_service->CreateInstanceExt(u"Stub", getter_AddRefs(finished)));
    ASSERT_EQ(NS_OK, finished->Done());
    nsCOMPtr<nsIVariant> ignored;
    const nsresult finishedAnswer = finished->Call(u"Reentrant", nullptr, getter_AddRefs(ignored));
    ASSERT_NE(NS_OK, finishedAnswer);

    const bool kByRelease[] = {false, true};
    for (bool byRelease : kByRelease) {
        SCOPED_TRACE(byRelease ? "released" : "done");
        nsCOMPtr<IAddInSiteExt> site;
        ASSERT_EQ(NS_OK, m_service->CreateInstanceExt(u"Stub", getter_AddRefs(site)));
        IAddInSiteExt* const raw = site.get();
        m_page->m_onError = [&] {
            if (byRelease) {
                m_service->ReleaseObject(raw);
                site = nullptr;  // the page's last reference
            } else {
                raw->Done();
            }
        };
        nsCOMPtr<nsIVariant> result;
        ASSERT_EQ(NS_OK, raw->Call(u"Reentrant", nullptr, getter_AddRefs(result)));
        m_page->m_onError = nullptr;
        int32_t count = 0;
        ASSERT_TRUE(result);
        ASSERT_EQ(NS_OK, result->GetAsInt32(&count));
        EXPECT_EQ(1, count);
        EXPECT_EQ(1u, m_page->count("addError"));
        m_page->clear();
        if (site) {
            nsCOMPtr<nsIVariant> after;
            EXPECT_EQ(finishedAnswer, site->Call(u"Reentrant", nullptr, getter_AddRefs(after)));
            EXPECT_EQ(0u, m_page->count("addError"));
        }
    }
}

// The add-in calls its host while it is finished (an error from Done, an event from its
// destructor), and the page ends the site on every callback, by done or by letting it go:
// Done and DestroyObject run once each (the old road ran them again inside themselves and
// returned into a closed library), and a site the page kept answers as a finished one.
TEST_F(Values, ASiteEndedAgainWhileItsAddInFinishesFinishesOnce) {
    nsCOMPtr<IAddInSiteExt> finished;
    ASSERT_EQ(NS_OK, m_service->CreateInstanceExt(u"Stub", getter_AddRefs(finished)));
    ASSERT_EQ(NS_OK, finished->Done());
    nsCOMPtr<nsIVariant> ignored;
    const nsresult finishedAnswer = finished->Call(u"Reentrant", nullptr, getter_AddRefs(ignored));
    ASSERT_NE(NS_OK, finishedAnswer);

    struct Case {
        const char* mode;
        const char* callback;
    };
    const Case kCases[] = {{"error_in_done", "addError"}, {"event_in_destroy", "externalEvent"}};
    const bool kByRelease[] = {false, true};
    for (const Case& c : kCases) {
        for (bool byRelease : kByRelease) {
            SCOPED_TRACE(std::string(c.mode) + (byRelease ? ", released" : ", done"));
            nsCOMPtr<IAddInSiteExt> site;
            ASSERT_EQ(NS_OK, m_service->CreateInstanceExt(u"Stub", getter_AddRefs(site)));
            IAddInSiteExt* const raw = site.get();
            nsCOMPtr<IAddInSiteExt> caller = site;  // the page's reference for its own done
            const auto end_site = [&] {
                if (byRelease) {
                    m_service->ReleaseObject(raw);
                    site = nullptr;
                } else {
                    raw->Done();
                }
            };
            m_page->clear();
            m_page->m_onError = end_site;
            m_page->m_onEvent = [&](const char16_t*) { end_site(); };
            set_environment("STUB_ADDIN", c.mode);
            EXPECT_EQ(NS_OK, caller->Done());
            unset_environment("STUB_ADDIN");
            m_page->m_onError = nullptr;
            m_page->m_onEvent = nullptr;
            caller = nullptr;
            EXPECT_EQ(1u, m_page->count(c.callback));
            if (site) {
                nsCOMPtr<nsIVariant> after;
                EXPECT_EQ(finishedAnswer, site->Call(u"Reentrant", nullptr, getter_AddRefs(after)));
            }
        }
    }
}

}  // namespace
}  // namespace velmor_test

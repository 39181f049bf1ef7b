// IContext::call as the bridges share it: the fixture's methods called by name with SAFEARRAY
// parameter lists, filled up from the add-in's defaults and handed back as it left them.

#include <gtest/gtest.h>

#include "context_call.h"
#include "hostile_lists.h"
#include "probe_test.h"
#include "variant_codes.h"

namespace {

using com_test::VariantScope;

enum class Params { eArray, eBareArray, eEmpty, eNone, eScalar };

struct CallCase {
    const char* what;
    const wchar_t* method;
    Params kind;
    std::vector<std::wstring> given;  // the list, or the one value for eScalar
    HRESULT result;
    std::wstring returned;
    std::vector<std::wstring> back;  // the list afterwards
};

const CallCase kCallCases[] = {
    {"two parameters swapped in place", L"Swap", Params::eArray, {L"i:1", L"s:two"}, S_OK, L"e",
     {L"s:two", L"i:1"}},
    {"a page's list with the bare array flag", L"Swap", Params::eBareArray, {L"i:1", L"s:two"},
     S_OK, L"e", {L"s:two", L"i:1"}},
    {"Russian name", L"Обменять", Params::eArray, {L"i:1", L"s:two"}, S_OK, L"e",
     {L"s:two", L"i:1"}},
    {"missing parameters from the defaults, as many back as given", L"Sum", Params::eArray,
     {L"i:5"}, S_OK, L"i:115", {L"i:115"}},
    {"every parameter given", L"Sum", Params::eArray, {L"i:1", L"i:2", L"i:3"}, S_OK, L"i:6",
     {L"i:6", L"i:2", L"i:3"}},
    {"more given than declared", L"Swap", Params::eArray, {L"i:1", L"i:2", L"i:3"}, S_OK, L"e",
     {L"i:2", L"i:1", L"e"}},
    {"empty params: every parameter from the defaults", L"Sum", Params::eEmpty, {}, S_OK,
     L"i:110", {}},
    {"no params: every parameter empty", L"Sum", Params::eNone, {}, S_OK, L"i:0", {}},
    {"one value in place of a list", L"Swap", Params::eScalar, {L"i:4"}, S_OK, L"e", {L"e"}},
    {"the add-in replaces the list by a longer one", L"Grow", Params::eArray, {L"i:7"}, S_OK,
     L"e", {L"i:7"}},
    {"a longer list gets back what the add-in left", L"Grow", Params::eArray,
     {L"i:7", L"i:8", L"i:9"}, S_OK, L"e", {L"i:7", L"s:grown", L"i:3"}},
    {"failure leaves the list", L"Fail", Params::eArray, {L"i:1"}, E_ABORT, L"e", {L"i:1"}},
    {"unknown method", L"NoSuchMethod", Params::eArray, {L"i:1"}, DISP_E_MEMBERNOTFOUND, L"e",
     {L"i:1"}},
};

class ContextCall : public com_test::ProbeTest {};

TEST_F(ContextCall, ParameterListsBothWays) {
    for (const CallCase& c : kCallCases) {
        VARIANT params = {};
        VariantInit(&params);
        if (c.kind == Params::eArray || c.kind == Params::eBareArray) {
            params = com_test::array_of(c.given);
        }
        if (c.kind == Params::eBareArray) params.vt = VT_ARRAY;
        if (c.kind == Params::eScalar) params = com_test::variant_of(c.given[0]);
        VariantScope holder(params);
        VARIANT result = {};
        VariantInit(&result);
        VariantScope resultHolder(result);
        BSTR name = SysAllocString(c.method);
        const HRESULT hr = com_addin::context_call(
            m_connection.addIn().extender(), name,
            c.kind == Params::eNone ? nullptr : holder.get(), resultHolder.get());
        SysFreeString(name);
        EXPECT_EQ(hr, c.result) << c.what;
        EXPECT_EQ(com_test::code_of(*resultHolder.get()), c.returned) << c.what;
        if (c.kind == Params::eBareArray) {
            EXPECT_EQ(holder.get()->vt, VT_ARRAY) << c.what;
            holder.get()->vt = VT_ARRAY | VT_VARIANT;  // so that it can be cleared
        }
        if (c.kind != Params::eEmpty && c.kind != Params::eNone) {
            EXPECT_EQ(com_test::codes_of_array(*holder.get()), c.back) << c.what;
        } else {
            EXPECT_EQ(holder.get()->vt, VT_EMPTY) << c.what;
        }
    }
}

TEST_F(ContextCall, ListByReferenceIsReplacedThroughThePointer) {
    VariantScope list(com_test::array_of({L"i:1", L"s:two"}));
    VARIANT byRef = {};
    byRef.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    byRef.pparray = &list.get()->parray;
    BSTR name = SysAllocString(L"Swap");
    EXPECT_EQ(com_addin::context_call(m_connection.addIn().extender(), name, &byRef, nullptr),
              S_OK);
    SysFreeString(name);
    EXPECT_EQ(com_test::codes_of_array(*list.get()), (std::vector<std::wstring>{L"s:two", L"i:1"}));
}

// The add-in puts an array in place of the list whose elements are no VARIANTs: nothing of it
// is read, and the caller gets empty values back.
TEST_F(ContextCall, AHostileListIsNotReadBack) {
    for (long kind = 0; kind < fixture::kHostileListCount; ++kind) {
        VariantScope list(com_test::array_of({L"i:" + std::to_wstring(kind)}));
        BSTR name = SysAllocString(L"HandBack");
        EXPECT_EQ(com_addin::context_call(m_connection.addIn().extender(), name, list.get(),
                                          nullptr),
                  S_OK)
            << "hostile list " << kind;
        SysFreeString(name);
        EXPECT_EQ(com_test::codes_of_array(*list.get()), (std::vector<std::wstring>{L"e"}))
            << "hostile list " << kind;
        EXPECT_EQ(library().counters().tripwireReleases, 0) << "hostile list " << kind;
    }
}

// A parameter count that no array can hold fails the call before anything is written or called.
TEST_F(ContextCall, AParameterCountBeyondAnyArrayFailsTheCall) {
    for (const wchar_t* method : {L"ManyParams", L"MostParams"}) {
        VariantScope list(com_test::array_of({L"i:1"}));
        BSTR name = SysAllocString(method);
        EXPECT_EQ(com_addin::context_call(m_connection.addIn().extender(), name, list.get(),
                                          nullptr),
                  E_OUTOFMEMORY);
        SysFreeString(name);
        EXPECT_EQ(com_test::codes_of_array(*list.get()), (std::vector<std::wstring>{L"i:1"}));
        EXPECT_EQ(library().journal().find(L"called"), std::wstring::npos)
            << "the add-in was called";
    }
}

TEST_F(ContextCall, WithoutAnObjectFails) {
    EXPECT_EQ(com_addin::context_call(nullptr, nullptr, nullptr, nullptr), E_FAIL);
}

}  // namespace

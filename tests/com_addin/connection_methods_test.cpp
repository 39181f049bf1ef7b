// The connection object's late-bound table, served by the shared IDispatch on the tests'
// connection: names, flags, argument conversion and the operations each row performs.

#include <gtest/gtest.h>

#include "connection_methods.h"
#include "recording_connection.h"
#include "variant_codes.h"

namespace {

using com_test::RecordingConnection;
using com_test::variant_of;

struct InvokeCase {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<std::wstring> args;  // in call order
    UINT named;
    HRESULT result;
    UINT argError;  // kUntouched when it must stay as it was
    std::vector<std::wstring> calls;
};

constexpr UINT kUntouched = 99;

const InvokeCase kInvokeCases[] = {
    {"method called as a property", 9, DISPATCH_PROPERTYGET, {}, 0, DISP_E_MEMBERNOTFOUND,
     kUntouched, {}},
    {"identifier beyond the table", 18, DISPATCH_METHOD, {}, 0, DISP_E_MEMBERNOTFOUND,
     kUntouched, {}},
    {"AppDispatch read", 1, DISPATCH_PROPERTYGET, {}, 0, DISP_E_MEMBERNOTFOUND, kUntouched, {}},
    {"named argument", 6, DISPATCH_METHOD, {L"i:5"}, 1, DISP_E_NONAMEDARGS, kUntouched, {}},
    {"digits converted", 6, DISPATCH_METHOD, {L"s:5"}, 0, S_OK, kUntouched,
     {L"SetEventBufferDepth(5)"}},
    {"letters refused", 6, DISPATCH_METHOD, {L"s:abc"}, 0, DISP_E_TYPEMISMATCH, 0, {}},
    {"missing integer reads as 0", 6, DISPATCH_METHOD, {}, 0, S_OK, kUntouched,
     {L"SetEventBufferDepth(0)"}},
    {"error report with conversions", 5, DISPATCH_METHOD,
     {L"i:3", L"s:Probe", L"s:Broken", L"h:7"}, 0, S_OK, kUntouched,
     {L"AddError(3,Probe,Broken,7)"}},
    {"error report, fourth refused", 5, DISPATCH_METHOD,
     {L"i:3", L"s:Probe", L"s:Broken", L"s:x"}, 0, DISP_E_TYPEMISMATCH, 3, {}},
    {"status line", 10, DISPATCH_METHOD, {L"s:Busy"}, 0, S_OK, kUntouched,
     {L"SetStatusLine(Busy)"}},
    {"status line of a number reads a null string", 10, DISPATCH_METHOD, {L"i:42"}, 0, S_OK,
     kUntouched, {L"SetStatusLine((null))"}},
    {"arguments beyond the declared ignored", 11, DISPATCH_METHOD, {L"i:1", L"i:2"}, 0, S_OK,
     kUntouched, {L"ResetStatusLine"}},
    {"property get along with method", 8, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, 0, S_OK,
     kUntouched, {L"CleanEventBuffer"}},
    {"profile name", 2, DISPATCH_METHOD, {L"s:Prof"}, 0, S_OK, kUntouched,
     {L"RegisterProfileAs(Prof)"}},
    {"main frame", 12, DISPATCH_METHOD, {L"s:not read"}, 0, E_NOTIMPL, kUntouched, {}},
    {"MDI frame", 13, DISPATCH_METHOD, {}, 0, E_NOTIMPL, kUntouched, {}},
    {"add-in window", 14, DISPATCH_METHOD, {}, 0, E_NOTIMPL, kUntouched, {}},
    {"context without an object", 16, DISPATCH_METHOD, {L"s:Text"}, 0, E_FAIL, kUntouched, {}},
};

HRESULT invoke(IDispatch* dispatch, DISPID id, WORD flags, std::vector<VARIANT>& reversed,
               UINT named, VARIANT* result, UINT* argError) {
    DISPID namedIds[] = {0};
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(),
                         named > 0 ? namedIds : nullptr, static_cast<UINT>(reversed.size()),
                         named};
    return dispatch->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, argError);
}

std::vector<VARIANT> reversed_args(const std::vector<std::wstring>& codes) {
    std::vector<VARIANT> args;
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) args.push_back(variant_of(*code));
    return args;
}

void clear(std::vector<VARIANT>& args) {
    for (VARIANT& v : args) VariantClear(&v);
}

TEST(ConnectionMethods, TableHoldsSeventeenRowsAndTheEndMarker) {
    int rows = 0;
    while (com_addin::kConnectionMethods[rows].name != nullptr) {
        EXPECT_EQ(com_addin::kConnectionMethods[rows].id, rows + 1);
        ++rows;
    }
    EXPECT_EQ(rows, 17);
    EXPECT_EQ(com_addin::kConnectionMethods[rows].id, -1);
}

TEST(ConnectionMethods, NamesIgnoreAsciiCase) {
    RecordingConnection connection;
    LPOLESTR capitals[] = {const_cast<LPOLESTR>(L"EXTERNALEVENT")};
    DISPID id = 0;
    EXPECT_EQ(connection.GetIDsOfNames(IID_NULL, capitals, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 9);

    LPOLESTR mixed[] = {const_cast<LPOLESTR>(L"Read"), const_cast<LPOLESTR>(L"NoSuchName"),
                        const_cast<LPOLESTR>(L"GETPROPVAL")};
    DISPID ids[3] = {};
    EXPECT_EQ(connection.GetIDsOfNames(IID_NULL, mixed, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 3);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(ids[2], 16) << "names after an unknown one are still looked up";

    EXPECT_EQ(connection.GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr), S_OK);
}

TEST(ConnectionMethods, NoTypeInformation) {
    RecordingConnection connection;
    UINT count = 5;
    EXPECT_EQ(connection.GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(&count);
    EXPECT_EQ(connection.GetTypeInfo(0, 0, &info), E_FAIL);
}

TEST(ConnectionMethods, InvokeOfEachRow) {
    for (const InvokeCase& c : kInvokeCases) {
        RecordingConnection connection;
        std::vector<VARIANT> args = reversed_args(c.args);
        UINT argError = kUntouched;
        VARIANT result = {};
        VariantInit(&result);
        EXPECT_EQ(invoke(connection.dispatch(), c.id, c.flags, args, c.named, &result, &argError),
                  c.result)
            << c.what;
        EXPECT_EQ(argError, c.argError) << c.what;
        EXPECT_EQ(connection.calls(), c.calls) << c.what;
        VariantClear(&result);
        clear(args);
    }
}

TEST(ConnectionMethods, ExternalEventWithOneArgumentPassesNullStrings) {
    RecordingConnection connection;
    std::vector<VARIANT> args = reversed_args({L"s:Only"});
    EXPECT_EQ(invoke(connection.dispatch(), 9, DISPATCH_METHOD, args, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(connection.events(), std::vector<std::wstring>{L"Only|(null)|(null)"});
    clear(args);
}

TEST(ConnectionMethods, EventBufferDepthIsStoredThroughTheReference) {
    RecordingConnection connection;
    connection.SetEventBufferDepth(12);
    long depth = -1;
    std::vector<VARIANT> args(1);
    args[0].vt = VT_I4 | VT_BYREF;
    args[0].plVal = &depth;
    EXPECT_EQ(invoke(connection.dispatch(), 7, DISPATCH_METHOD, args, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(depth, 12);
}

TEST(ConnectionMethods, ProfileWriteThenReadIntoTheResult) {
    RecordingConnection connection;
    std::vector<VARIANT> write = reversed_args({L"s:Size", L"i:12"});
    EXPECT_EQ(invoke(connection.dispatch(), 4, DISPATCH_METHOD, write, 0, nullptr, nullptr), S_OK);
    clear(write);

    std::vector<VARIANT> read = reversed_args({L"s:Size"});
    VARIANT result = {};
    VariantInit(&result);
    EXPECT_EQ(invoke(connection.dispatch(), 3, DISPATCH_METHOD, read, 0, &result, nullptr), S_OK);
    EXPECT_EQ(com_test::code_of(result), L"i:12");
    VariantClear(&result);
    // Without a result VARIANT the read still happens; a name never written fails.
    EXPECT_EQ(invoke(connection.dispatch(), 3, DISPATCH_METHOD, read, 0, nullptr, nullptr), S_OK);
    clear(read);
    std::vector<VARIANT> missing = reversed_args({L"s:Missing"});
    EXPECT_EQ(invoke(connection.dispatch(), 3, DISPATCH_METHOD, missing, 0, &result, nullptr),
              E_FAIL);
    EXPECT_EQ(result.vt, VT_EMPTY);
    clear(missing);
    EXPECT_EQ(connection.calls(), (std::vector<std::wstring>{L"Write(Size)", L"Read(Size)",
                                                             L"Read(Size)", L"Read(Missing)"}));
}

}  // namespace

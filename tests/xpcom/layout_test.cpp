// The binary layout that a browser of that generation and a component must agree on: the
// vtable slots of nsISupports and the variant interfaces, the module record and its rows,
// nsID and the string object.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mozilla/Module.h"
#include "nsIVariant.h"
#include "nsStringAPI.h"

namespace {

// The vtable slot of a virtual member function: in the C++ ABI used by GCC on every build
// here, a pointer to a virtual member holds 1 + the slot's byte offset.
template <class F>
size_t slot_of(F member) {
    struct Representation {
        uintptr_t ptr;
        ptrdiff_t adj;
    } r;
    static_assert(sizeof(member) == sizeof(r), "pointer to member has the ABI's layout");
    std::memcpy(&r, &member, sizeof r);
    return (r.ptr - 1) / sizeof(void*);
}

struct Slot {
    const char* name;
    size_t actual;
    size_t expected;
};

void expect_slots(const Slot* slots, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(slots[i].actual, slots[i].expected) << slots[i].name;
    }
}

#define SLOT(cls, method, n) Slot{#cls "::" #method, slot_of(&cls::method), n}

TEST(XpcomLayout, SupportsSlots) {
    const Slot slots[] = {SLOT(nsISupports, QueryInterface, 0), SLOT(nsISupports, AddRef, 1),
                          SLOT(nsISupports, Release, 2)};
    expect_slots(slots, sizeof slots / sizeof *slots);
}

TEST(XpcomLayout, VariantSlots) {
    const Slot slots[] = {
        SLOT(nsIVariant, GetDataType, 3),          SLOT(nsIVariant, GetAsInt8, 4),
        SLOT(nsIVariant, GetAsInt16, 5),           SLOT(nsIVariant, GetAsInt32, 6),
        SLOT(nsIVariant, GetAsInt64, 7),           SLOT(nsIVariant, GetAsUint8, 8),
        SLOT(nsIVariant, GetAsUint16, 9),          SLOT(nsIVariant, GetAsUint32, 10),
        SLOT(nsIVariant, GetAsUint64, 11),         SLOT(nsIVariant, GetAsFloat, 12),
        SLOT(nsIVariant, GetAsDouble, 13),         SLOT(nsIVariant, GetAsBool, 14),
        SLOT(nsIVariant, GetAsChar, 15),           SLOT(nsIVariant, GetAsWChar, 16),
        SLOT(nsIVariant, GetAsID, 17),             SLOT(nsIVariant, GetAsAString, 18),
        SLOT(nsIVariant, GetAsDOMString, 19),      SLOT(nsIVariant, GetAsACString, 20),
        SLOT(nsIVariant, GetAsAUTF8String, 21),    SLOT(nsIVariant, GetAsString, 22),
        SLOT(nsIVariant, GetAsWString, 23),        SLOT(nsIVariant, GetAsISupports, 24),
        SLOT(nsIVariant, GetAsJSVal, 25),          SLOT(nsIVariant, GetAsInterface, 26),
        SLOT(nsIVariant, GetAsArray, 27),          SLOT(nsIVariant, GetAsStringWithSize, 28),
        SLOT(nsIVariant, GetAsWStringWithSize, 29),
    };
    expect_slots(slots, sizeof slots / sizeof *slots);
}

TEST(XpcomLayout, WritableVariantSlots) {
    const Slot slots[] = {
        SLOT(nsIWritableVariant, GetWritable, 30),
        SLOT(nsIWritableVariant, SetWritable, 31),
        SLOT(nsIWritableVariant, SetAsInt8, 32),
        SLOT(nsIWritableVariant, SetAsInt16, 33),
        SLOT(nsIWritableVariant, SetAsInt32, 34),
        SLOT(nsIWritableVariant, SetAsInt64, 35),
        SLOT(nsIWritableVariant, SetAsUint8, 36),
        SLOT(nsIWritableVariant, SetAsUint16, 37),
        SLOT(nsIWritableVariant, SetAsUint32, 38),
        SLOT(nsIWritableVariant, SetAsUint64, 39),
        SLOT(nsIWritableVariant, SetAsFloat, 40),
        SLOT(nsIWritableVariant, SetAsDouble, 41),
        SLOT(nsIWritableVariant, SetAsBool, 42),
        SLOT(nsIWritableVariant, SetAsChar, 43),
        SLOT(nsIWritableVariant, SetAsWChar, 44),
        SLOT(nsIWritableVariant, SetAsID, 45),
        SLOT(nsIWritableVariant, SetAsAString, 46),
        SLOT(nsIWritableVariant, SetAsDOMString, 47),
        SLOT(nsIWritableVariant, SetAsACString, 48),
        SLOT(nsIWritableVariant, SetAsAUTF8String, 49),
        SLOT(nsIWritableVariant, SetAsString, 50),
        SLOT(nsIWritableVariant, SetAsWString, 51),
        SLOT(nsIWritableVariant, SetAsISupports, 52),
        SLOT(nsIWritableVariant, SetAsInterface, 53),
        SLOT(nsIWritableVariant, SetAsArray, 54),
        SLOT(nsIWritableVariant, SetAsStringWithSize, 55),
        SLOT(nsIWritableVariant, SetAsWStringWithSize, 56),
        SLOT(nsIWritableVariant, SetAsVoid, 57),
        SLOT(nsIWritableVariant, SetAsEmpty, 58),
        SLOT(nsIWritableVariant, SetAsEmptyArray, 59),
        SLOT(nsIWritableVariant, SetFromVariant, 60),
    };
    expect_slots(slots, sizeof slots / sizeof *slots);
}

// Offsets in units of the pointer size P, so one table serves the 64- and 32-bit builds.
struct Field {
    const char* name;
    size_t actual;
    size_t expected_in_pointers;
};

void expect_fields(const Field* fields, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(fields[i].actual, fields[i].expected_in_pointers * sizeof(void*))
            << fields[i].name;
    }
}

#define FIELD(type, member, n) Field{#type "::" #member, offsetof(type, member), n}

TEST(XpcomLayout, ModuleRecordFieldsInOrder) {
    typedef mozilla::Module M;
    const Field fields[] = {
        FIELD(M, mVersion, 0),         FIELD(M, mCIDs, 1),       FIELD(M, mContractIDs, 2),
        FIELD(M, mCategoryEntries, 3), FIELD(M, getFactoryProc, 4), FIELD(M, loadProc, 5),
        FIELD(M, unloadProc, 6),
    };
    expect_fields(fields, sizeof fields / sizeof *fields);
    EXPECT_EQ(sizeof(M), 7 * sizeof(void*));
    EXPECT_EQ(sizeof(M::mVersion), 4u);
    EXPECT_EQ(M::kVersion, 31u);
}

TEST(XpcomLayout, ModuleRowsInOrder) {
    typedef mozilla::Module::CIDEntry C;
    typedef mozilla::Module::ContractIDEntry K;
    typedef mozilla::Module::CategoryEntry G;
    const Field fields[] = {
        FIELD(C, cid, 0),        FIELD(C, service, 1),    FIELD(C, getFactoryProc, 2),
        FIELD(C, constructorProc, 3), FIELD(C, processSelector, 4),
        FIELD(K, contractid, 0), FIELD(K, cid, 1),        FIELD(K, processSelector, 2),
        FIELD(G, category, 0),   FIELD(G, entry, 1),      FIELD(G, value, 2),
    };
    expect_fields(fields, sizeof fields / sizeof *fields);
    EXPECT_EQ(sizeof(C), 5 * sizeof(void*));
    EXPECT_EQ(sizeof(K), 3 * sizeof(void*));
    EXPECT_EQ(sizeof(G), 3 * sizeof(void*));
    EXPECT_EQ(sizeof(C::service), 1u);
    EXPECT_EQ(sizeof(mozilla::Module::ProcessSelector), 4u);
    EXPECT_EQ(int(mozilla::Module::ANY_PROCESS), 0);
    EXPECT_EQ(int(mozilla::Module::MAIN_PROCESS_ONLY), 1);
    EXPECT_EQ(int(mozilla::Module::CONTENT_PROCESS_ONLY), 2);
}

TEST(XpcomLayout, IdAndStringObject) {
    EXPECT_EQ(sizeof(nsID), 16u);
    EXPECT_EQ(offsetof(nsID, m0), 0u);
    EXPECT_EQ(offsetof(nsID, m1), 4u);
    EXPECT_EQ(offsetof(nsID, m2), 6u);
    EXPECT_EQ(offsetof(nsID, m3), 8u);
    EXPECT_EQ(sizeof(nsStringContainer_base), sizeof(void*) + 8);
    EXPECT_EQ(sizeof(nsresult), 4u);
}

}  // namespace

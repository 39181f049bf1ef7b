// The frozen string functions. A string object is {data, length, flags}: the data is either
// the runtime's own block (NS_Alloc, always terminated), the caller's text (DEPEND, maybe
// unterminated with SUBSTRING) or the shared empty text. Writes always make an own block
// first, so the caller's text is never written.

#include <cstring>
#include <limits>

#include "nsStringAPI.h"
#include "nsXPCOM.h"
#include "string_rep.h"

namespace xpcom_runtime {
namespace {

const uint32_t kOwned = 1;
const uint32_t kTerminated = 2;

// Longest string accepted: its block size must fit in 32 bits on every build.
const uint32_t kMaxLength = (1u << 30) - 1;

template <class Unit>
const Unit* empty_text() {
    static const Unit kEmpty[1] = {0};
    return kEmpty;
}

template <class Unit>
uint32_t text_length(const Unit* data) {
    size_t n = 0;
    while (data[n]) ++n;
    return n > kMaxLength ? kMaxLength + 1 : uint32_t(n);
}

template <class Unit>
void make_empty(StringRep& rep) {
    rep.data = const_cast<Unit*>(empty_text<Unit>());
    rep.length = 0;
    rep.flags = kTerminated;
}

template <class Unit>
void release(StringRep& rep) {
    if (rep.flags & kOwned) NS_Free(rep.data);
    make_empty<Unit>(rep);
}

// A new terminated block holding `prefix` then `middle` then `suffix`.
template <class Unit>
Unit* new_block(const Unit* a, uint32_t la, const Unit* b, uint32_t lb, const Unit* c,
                uint32_t lc, uint32_t& length) {
    uint64_t total = uint64_t(la) + lb + lc;
    if (total > kMaxLength) return nullptr;
    Unit* block = static_cast<Unit*>(NS_Alloc((size_t(total) + 1) * sizeof(Unit)));
    if (!block) return nullptr;
    if (la) std::memcpy(block, a, la * sizeof(Unit));
    if (lb) std::memcpy(block + la, b, lb * sizeof(Unit));
    if (lc) std::memcpy(block + la + lb, c, lc * sizeof(Unit));
    block[total] = 0;
    length = uint32_t(total);
    return block;
}

template <class Unit>
void adopt_block(StringRep& rep, Unit* block, uint32_t length) {
    release<Unit>(rep);
    rep.data = block;
    rep.length = length;
    rep.flags = kOwned | kTerminated;
}

template <class Unit>
uint32_t resolve_length(const Unit* data, uint32_t length) {
    if (!data) return 0;
    return length == UINT32_MAX ? text_length(data) : length;
}

template <class Unit>
nsresult init2(StringRep& rep, const Unit* data, uint32_t length, uint32_t flags) {
    make_empty<Unit>(rep);
    length = resolve_length(data, length);
    if (!data || length == 0) return NS_OK;
    if (length > kMaxLength) return NS_ERROR_OUT_OF_MEMORY;
    if (flags & NS_STRING_CONTAINER_INIT_DEPEND) {
        rep.data = const_cast<Unit*>(data);
        rep.length = length;
        rep.flags = (flags & NS_STRING_CONTAINER_INIT_SUBSTRING) ? 0 : kTerminated;
        return NS_OK;
    }
    if (flags & NS_STRING_CONTAINER_INIT_ADOPT) {
        rep.data = const_cast<Unit*>(data);
        rep.length = length;
        rep.flags = kOwned | ((flags & NS_STRING_CONTAINER_INIT_SUBSTRING) ? 0 : kTerminated);
        return NS_OK;
    }
    uint32_t made = 0;
    Unit* block = new_block<Unit>(data, length, nullptr, 0, nullptr, 0, made);
    if (!block) return NS_ERROR_OUT_OF_MEMORY;
    adopt_block(rep, block, made);
    return NS_OK;
}

template <class Unit>
uint32_t get_data(const StringRep& rep, const Unit** data, bool* terminated) {
    if (data) *data = static_cast<const Unit*>(rep.data);
    if (terminated) *terminated = (rep.flags & kTerminated) != 0;
    return rep.length;
}

template <class Unit>
nsresult set_range(StringRep& rep, uint32_t cut_offset, uint32_t cut_length, const Unit* data,
                   uint32_t length) {
    length = resolve_length(data, length);
    if (length > kMaxLength) return NS_ERROR_OUT_OF_MEMORY;
    if (cut_offset > rep.length) cut_offset = rep.length;
    if (cut_length > rep.length - cut_offset) cut_length = rep.length - cut_offset;
    const Unit* old = static_cast<const Unit*>(rep.data);
    const uint32_t tail = cut_offset + cut_length;
    uint32_t made = 0;
    Unit* block = new_block<Unit>(old, cut_offset, data, length, old + tail, rep.length - tail,
                                  made);
    if (!block) return NS_ERROR_OUT_OF_MEMORY;
    adopt_block(rep, block, made);  // the old block goes only now: data may lie in it
    return NS_OK;
}

template <class Unit>
nsresult set_data(StringRep& rep, const Unit* data, uint32_t length) {
    return set_range<Unit>(rep, 0, UINT32_MAX, data, length);
}

template <class Unit>
uint32_t get_mutable(StringRep& rep, uint32_t length, Unit** data) {
    if (data) *data = nullptr;
    if (length == UINT32_MAX) length = rep.length;
    if (length > kMaxLength) return 0;
    if ((rep.flags & kOwned) && length == rep.length && (rep.flags & kTerminated)) {
        if (data) *data = static_cast<Unit*>(rep.data);
        return length;
    }
    const uint32_t kept = length < rep.length ? length : rep.length;
    Unit* block = static_cast<Unit*>(NS_Alloc((size_t(length) + 1) * sizeof(Unit)));
    if (!block) return 0;
    if (kept) std::memcpy(block, rep.data, kept * sizeof(Unit));
    std::memset(block + kept, 0, (length - kept + 1) * sizeof(Unit));
    adopt_block(rep, block, length);
    if (data) *data = block;
    return length;
}

template <class Unit>
Unit* clone(const StringRep& rep) {
    uint32_t made = 0;
    return new_block<Unit>(static_cast<const Unit*>(rep.data), rep.length, nullptr, 0, nullptr, 0,
                           made);
}

template <class Unit>
nsresult copy(StringRep& dest, const StringRep& src) {
    if (&dest == &src) return NS_OK;
    return set_data<Unit>(dest, static_cast<const Unit*>(src.data), src.length);
}

}  // namespace
}  // namespace xpcom_runtime

using namespace xpcom_runtime;

XPCOM_API(nsresult) NS_StringContainerInit(nsStringContainer& aContainer) {
    make_empty<char16_t>(rep_of(aContainer));
    return NS_OK;
}

XPCOM_API(nsresult) NS_StringContainerInit2(nsStringContainer& aContainer,
                                            const char16_t* aData, uint32_t aDataLength,
                                            uint32_t aFlags) {
    return init2(rep_of(aContainer), aData, aDataLength, aFlags);
}

XPCOM_API(void) NS_StringContainerFinish(nsStringContainer& aContainer) {
    release<char16_t>(rep_of(aContainer));
}

XPCOM_API(uint32_t) NS_StringGetData(const nsAString& aStr, const char16_t** aData,
                                     bool* aTerminated) {
    return get_data(rep_of(aStr), aData, aTerminated);
}

XPCOM_API(uint32_t) NS_StringGetMutableData(nsAString& aStr, uint32_t aDataLength,
                                            char16_t** aData) {
    return get_mutable(rep_of(aStr), aDataLength, aData);
}

XPCOM_API(char16_t*) NS_StringCloneData(const nsAString& aStr) {
    return clone<char16_t>(rep_of(aStr));
}

XPCOM_API(nsresult) NS_StringSetData(nsAString& aStr, const char16_t* aData,
                                     uint32_t aDataLength) {
    return set_data(rep_of(aStr), aData, aDataLength);
}

XPCOM_API(nsresult) NS_StringSetDataRange(nsAString& aStr, uint32_t aCutOffset,
                                          uint32_t aCutLength, const char16_t* aData,
                                          uint32_t aDataLength) {
    return set_range(rep_of(aStr), aCutOffset, aCutLength, aData, aDataLength);
}

XPCOM_API(nsresult) NS_StringCopy(nsAString& aDestStr, const nsAString& aSrcStr) {
    return copy<char16_t>(rep_of(aDestStr), rep_of(aSrcStr));
}

XPCOM_API(nsresult) NS_CStringContainerInit(nsCStringContainer& aContainer) {
    make_empty<char>(rep_of(aContainer));
    return NS_OK;
}

XPCOM_API(nsresult) NS_CStringContainerInit2(nsCStringContainer& aContainer, const char* aData,
                                             uint32_t aDataLength, uint32_t aFlags) {
    return init2(rep_of(aContainer), aData, aDataLength, aFlags);
}

XPCOM_API(void) NS_CStringContainerFinish(nsCStringContainer& aContainer) {
    release<char>(rep_of(aContainer));
}

XPCOM_API(uint32_t) NS_CStringGetData(const nsACString& aStr, const char** aData,
                                      bool* aTerminated) {
    return get_data(rep_of(aStr), aData, aTerminated);
}

XPCOM_API(uint32_t) NS_CStringGetMutableData(nsACString& aStr, uint32_t aDataLength,
                                             char** aData) {
    return get_mutable(rep_of(aStr), aDataLength, aData);
}

XPCOM_API(char*) NS_CStringCloneData(const nsACString& aStr) { return clone<char>(rep_of(aStr)); }

XPCOM_API(nsresult) NS_CStringSetData(nsACString& aStr, const char* aData,
                                      uint32_t aDataLength) {
    return set_data(rep_of(aStr), aData, aDataLength);
}

XPCOM_API(nsresult) NS_CStringSetDataRange(nsACString& aStr, uint32_t aCutOffset,
                                           uint32_t aCutLength, const char* aData,
                                           uint32_t aDataLength) {
    return set_range(rep_of(aStr), aCutOffset, aCutLength, aData, aDataLength);
}

XPCOM_API(nsresult) NS_CStringCopy(nsACString& aDestStr, const nsACString& aSrcStr) {
    return copy<char>(rep_of(aDestStr), rep_of(aSrcStr));
}

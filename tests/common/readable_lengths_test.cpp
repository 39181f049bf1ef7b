// How far a bridge may read what the add-in hands over, by the length it claims: within a
// block of the sized memory manager no further than the block's end (a text whose claim runs
// past it ends at the block's first zero), outside its blocks no further than the terminator.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "sized_addin_memory.h"

namespace {

enum Kind { eBlob, eNarrow, eWide };

struct ClaimCase {
    const char* name;
    Kind kind;
    std::string block;  // the block's bytes, all of it
    size_t offset;      // where the value starts in it, in bytes
    size_t claimed;     // bytes, or units for a wide text
    size_t expected;
};

std::string wide_bytes(const std::u16string& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

size_t readable(IMemoryManager* memory, Kind kind, const char* at, size_t claimed) {
    switch (kind) {
        case eBlob: return readable_bytes(memory, at, claimed);
        case eNarrow: return readable_text(memory, at, claimed);
        default: return readable_text(memory, reinterpret_cast<const uint16_t*>(at), claimed);
    }
}

class ReadableLengths : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(ReadableLengths, EndAtTheBlockOfTheSizedMemory) {
    const ClaimCase& c = GetParam();
    SizedAddInMemory memory(std::malloc, std::free);
    void* block = nullptr;
    ASSERT_TRUE(memory.AllocMemory(&block, static_cast<unsigned long>(c.block.size())));
    std::memcpy(block, c.block.data(), c.block.size());
    const char* at = static_cast<const char*>(block) + c.offset;
    EXPECT_EQ(c.expected, readable(&memory, c.kind, at, c.claimed));
    SizedReading reading(memory);
    EXPECT_EQ(c.expected, readable(&reading, c.kind, at, c.claimed)) << "through a reading";
    memory.FreeMemory(&block);
}

INSTANTIATE_TEST_SUITE_P(
    Claims, ReadableLengths,
    ::testing::Values(
        ClaimCase{"TextOverlongWithoutTerminator", eNarrow, "abcdefgh", 0, 4096, 8},
        ClaimCase{"TextFarOverlong", eNarrow, "abcdefgh", 0, 65536, 8},
        ClaimCase{"TextOverlongEndsAtTheFirstZero", eNarrow, std::string("abc\0", 4), 0,
                  0x7fffffff, 3},
        ClaimCase{"TextHonestKeepsEmbeddedZeros", eNarrow, std::string("a\0b\0", 4), 0, 3, 3},
        ClaimCase{"TextWholeBlock", eNarrow, "abcdefgh", 0, 8, 8},
        ClaimCase{"TextUpToItsTerminator", eNarrow, std::string("ab\0cd", 5), 0, kUpToTerminator, 2},
        ClaimCase{"TextInsideABlock", eNarrow, "abcdefgh", 2, 100, 6},
        ClaimCase{"WideOverlongWithoutTerminator", eWide, wide_bytes(u"ab"), 0, 1000, 2},
        ClaimCase{"WideOverlongFromSixteenBytes", eWide, wide_bytes(u"abcdefgh"), 0, 64, 8},
        ClaimCase{"WideFarOverlong", eWide, wide_bytes(u"abcdefgh"), 0, 32u << 20, 8},
        ClaimCase{"WideOverlongEndsAtTheFirstZero", eWide, wide_bytes(std::u16string(u"ab\0d", 4)),
                  0, 1000, 2},
        ClaimCase{"WideHonestKeepsEmbeddedZeros", eWide, wide_bytes(std::u16string(u"a\0b\0", 4)),
                  0, 3, 3},
        ClaimCase{"WideInAnOddBlock", eWide, std::string("ab\0c\0", 5), 0, 100, 2},
        ClaimCase{"BlobOverlong", eBlob, std::string(16, '\0'), 0, 64, 16},
        ClaimCase{"BlobFarOverlong", eBlob, std::string(16, 'x'), 0, 64u << 20, 16},
        ClaimCase{"BlobHonestKeepsZeros", eBlob, std::string(16, '\0'), 0, 10, 10}),
    [](const ::testing::TestParamInfo<ClaimCase>& p) { return std::string(p.param.name); });

// Memory the manager never handed out (the add-in's own) is read up to its terminator.
TEST(ReadableLengthsOutsideBlocks, EndAtTheTerminator) {
    SizedAddInMemory memory(std::malloc, std::free);
    static const char kNarrow[] = "static";
    static const uint16_t kWide[] = {'s', 't', 0};
    EXPECT_EQ(6u, readable_text(&memory, kNarrow, 4096));
    EXPECT_EQ(3u, readable_text(&memory, kNarrow, 3));
    EXPECT_EQ(6u, readable_text(&memory, kNarrow, kUpToTerminator));
    EXPECT_EQ(6u, readable_bytes(&memory, kNarrow, 64u << 20));
    EXPECT_EQ(2u, readable_text(&memory, kWide, 1000));
}

// A manager that keeps no sizes knows no better than the claim; a null pointer is nothing.
TEST(ReadableLengthsWithoutSizes, TakeTheClaim) {
    AddInMemory plain(std::malloc, std::free);
    static const char kNarrow[] = "a\0bc";
    EXPECT_EQ(4u, readable_text(&plain, kNarrow, 4));
    EXPECT_EQ(1u, readable_text(&plain, kNarrow, kUpToTerminator));
    EXPECT_EQ(4u, readable_bytes(nullptr, kNarrow, 4));
    SizedAddInMemory memory(std::malloc, std::free);
    EXPECT_EQ(0u, readable_text(&memory, static_cast<const char*>(nullptr), 100));
    EXPECT_EQ(0u, readable_text(&memory, static_cast<const uint16_t*>(nullptr), 100));
}

}  // namespace

// nsID's text form, both ways.

#include <gtest/gtest.h>

#include <string>

#include "nsID.h"
#include "nsXPCOM.h"

namespace {

const nsID kSample = {0xc1d13019, 0x1692, 0x4d48, {0x9a, 0x71, 0x39, 0xc1, 0xa4, 0xe0, 0x96, 0xbb}};

TEST(XpcomId, ParsesWithAndWithoutBracesInEitherCase) {
    for (const char* text : {"{c1d13019-1692-4d48-9a71-39c1a4e096bb}",
                             "c1d13019-1692-4d48-9a71-39c1a4e096bb",
                             "{C1D13019-1692-4D48-9A71-39C1A4E096BB}"}) {
        nsID id;
        ASSERT_TRUE(id.Parse(text)) << text;
        EXPECT_TRUE(id.Equals(kSample)) << text;
    }
}

TEST(XpcomId, RefusesMalformedTextAndLeavesZero) {
    const nsID zero{};
    for (const char* text : {"", "{c1d13019-1692-4d48-9a71-39c1a4e096bb", "c1d13019-1692-4d48-9a71-39c1a4e096bb}",
                             "{c1d13019-1692-4d48-9a7139c1a4e096bb}", "{c1d1301g-1692-4d48-9a71-39c1a4e096bb}",
                             "{c1d13019-1692-4d48-9a71-39c1a4e096bbb}", "{c1d13019-1692-4d48-9a71-39c1a4e096b}",
                             "{c1d13019-1692-4d48-9a71-39c1a4e096bb} "}) {
        nsID id = kSample;
        EXPECT_FALSE(id.Parse(text)) << text;
        EXPECT_TRUE(id.Equals(zero)) << text;
    }
    nsID id = kSample;
    EXPECT_FALSE(id.Parse(nullptr));
}

TEST(XpcomId, PrintsLowerCaseWithBracesAndRoundTrips) {
    char text[NSID_LENGTH];
    kSample.ToProvidedString(text);
    EXPECT_STREQ(text, "{c1d13019-1692-4d48-9a71-39c1a4e096bb}");
    char* allocated = kSample.ToString();
    ASSERT_NE(allocated, nullptr);
    EXPECT_STREQ(allocated, text);
    nsID back;
    EXPECT_TRUE(back.Parse(allocated));
    EXPECT_EQ(back, kSample);
    NS_Free(allocated);
}

}  // namespace

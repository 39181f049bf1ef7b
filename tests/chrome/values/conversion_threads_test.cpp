#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "utils.h"

// The main thread converts requests while an add-in's reader thread converts events; the
// conversions share no state, so both see exactly their own results.
TEST(ConversionThreads, TwoThreadsConvertAtOnceWithoutInterference) {
    const std::string texts[2] = {"\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 \xF0\x9F\x98\x80",
                                  "barcode 4006381333931 \xE2\x82\xAC"};
    std::atomic<int> ready{0};
    std::atomic<int> failures[2] = {{0}, {0}};
    auto work = [&](int which) {
        const std::string& text = texts[which];
        UnicodeString expected;
        Utils::UTF8ToWide(text, expected, false);
        ready.fetch_add(1);
        while (ready.load() < 2) {
        }
        UnicodeString wide;
        std::string narrow;
        for (int i = 0; i < 20000; ++i) {
            Utils::UTF8ToWide(text, wide, false);
            Utils::wideToUTF8(wide, narrow, false);
            if (wide != expected || narrow != text) failures[which].fetch_add(1);
        }
    };
    std::thread reader(work, 1);
    work(0);
    reader.join();
    EXPECT_EQ(0, failures[0].load());
    EXPECT_EQ(0, failures[1].load());
}

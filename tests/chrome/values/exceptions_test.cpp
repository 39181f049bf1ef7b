#include <gtest/gtest.h>

#include <string>

#include "host_exceptions.h"

TEST(HostExceptions, InvalidArgsSaysInvalidArgumentsAndAsksForAMessageBox) {
    const invalid_args e;
    EXPECT_STREQ("Invalid arguments", e.what());
    EXPECT_TRUE(e.displayMsgBox());
}

TEST(HostExceptions, ConversionErrorSaysInvalidArgumentsAndAsksForAMessageBox) {
    const conversion_error e;
    EXPECT_STREQ("Invalid arguments", e.what());
    EXPECT_TRUE(e.displayMsgBox());
}

TEST(HostExceptions, BothDerivedExceptionsAreCaughtAsLibException) {
    std::string texts;
    for (int i = 0; i < 2; ++i) {
        try {
            if (i == 0) throw invalid_args();
            throw conversion_error();
        } catch (const lib_exception& e) {
            texts += e.what();
            texts += ';';
        }
    }
    EXPECT_EQ("Invalid arguments;Invalid arguments;", texts);
}

TEST(HostExceptions, FlagAloneGivesEmptyDescription) {
    const lib_exception e(false);
    EXPECT_STREQ("", e.what());
    EXPECT_FALSE(e.displayMsgBox());
    EXPECT_TRUE(lib_exception(true).displayMsgBox());
}

TEST(HostExceptions, DescriptionAndFlagSurviveCopyAndCatchAsStdException) {
    try {
        const lib_exception original("Method not found", false);
        throw lib_exception(original);
    } catch (const std::exception& e) {
        EXPECT_STREQ("Method not found", e.what());
        const lib_exception* lib = dynamic_cast<const lib_exception*>(&e);
        ASSERT_NE(nullptr, lib);
        EXPECT_FALSE(lib->displayMsgBox());
    }
}

TEST(HostExceptions, NullDescriptionIsEmpty) {
    EXPECT_STREQ("", lib_exception(nullptr, true).what());
}

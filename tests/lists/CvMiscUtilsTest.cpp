#include <gtest/gtest.h>

#include <cstdlib>

#include "CvMiscUtils.h"

TEST(SafeFileName, ReplacesWhatAFileNameCannotHoldAndNothingElse) {
    EXPECT_EQ(SafeFileName("?####"), "_####");
    EXPECT_EQ(SafeFileName("a\tb"), "a_b");
    EXPECT_EQ(SafeFileName("\"*/:<>?\\|"), "_________");
    EXPECT_EQ(SafeFileName(std::string("\x01\x1f \x7f\xe9~", 6)), std::string("__ \x7f\xe9~", 6));
    EXPECT_EQ(SafeFileName(""), "");
}

TEST(FixEntryText, BlanksBadCharactersKeepingTheLength) {
    std::string text = "Plant 1!";
    EXPECT_FALSE(FixEntryText(text, false));
    EXPECT_EQ(text, "Plant 1 ");

    text = "Plant 1!";
    EXPECT_TRUE(FixEntryText(text, true));
    EXPECT_EQ(text, "Plant 1!");

    text = std::string(
        "a\tb\nc\x7f"
        "d\xe9"
        "e\0f",
        11);
    EXPECT_FALSE(FixEntryText(text, true));
    EXPECT_EQ(text, "a b c d e f");

    text = "";
    EXPECT_TRUE(FixEntryText(text, false));
    text = " ~ok~ ";
    EXPECT_TRUE(FixEntryText(text, false));
}

TEST(IsPrintableChar, IsExactlyBlankToTilde) {
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(IsPrintableChar(static_cast<char>(code)), code >= 32 && code <= 126) << code;
}

TEST(IsSingleAlphaNum, OneAsciiLetterOrDigitOnly) {
    EXPECT_TRUE(IsSingleAlphaNum("A"));
    EXPECT_TRUE(IsSingleAlphaNum("z"));
    EXPECT_TRUE(IsSingleAlphaNum("7"));
    EXPECT_FALSE(IsSingleAlphaNum("\xc9"));
    EXPECT_FALSE(IsSingleAlphaNum(""));
    EXPECT_FALSE(IsSingleAlphaNum("ab"));
    EXPECT_FALSE(IsSingleAlphaNum("_"));
}

TEST(IsNumber1To9999, ReadsWholeNumbersInTheirUsualForms) {
    EXPECT_FALSE(IsNumber1To9999("0000"));
    EXPECT_TRUE(IsNumber1To9999("0001"));
    EXPECT_TRUE(IsNumber1To9999("9999"));
    EXPECT_FALSE(IsNumber1To9999("10000"));
    EXPECT_FALSE(IsNumber1To9999("12a"));
    EXPECT_TRUE(IsNumber1To9999("12"));
    EXPECT_TRUE(IsNumber1To9999("  +12"));
    EXPECT_FALSE(IsNumber1To9999("-12"));
    EXPECT_FALSE(IsNumber1To9999("12 "));
    EXPECT_FALSE(IsNumber1To9999(""));
    EXPECT_FALSE(IsNumber1To9999("+"));
    EXPECT_FALSE(IsNumber1To9999("####"));
    EXPECT_TRUE(IsNumber1To9999("$FF"));
    EXPECT_TRUE(IsNumber1To9999("x1a"));
    EXPECT_TRUE(IsNumber1To9999("0X270F"));   // 9999
    EXPECT_FALSE(IsNumber1To9999("0x2710"));  // 10000
    EXPECT_FALSE(IsNumber1To9999("0x"));
    EXPECT_FALSE(IsNumber1To9999("99999999999999999999"));  // does not fit: counts as 0
}

TEST(GetEnvVar, FindsNamesWithoutRegardToCase) {
    setenv("RmTestVariable", "value one", 1);
    EXPECT_EQ(GetEnvVar("rmtestvariable"), "value one");
    EXPECT_EQ(GetEnvVar("RMTESTVARIABLE"), "value one");
    setenv("RMTESTVARIABLE", "exact", 1);
    EXPECT_EQ(GetEnvVar("RMTESTVARIABLE"), "exact");
    setenv("RmTestEmpty", "", 1);
    EXPECT_EQ(GetEnvVar("rmtestempty"), "");
    EXPECT_EQ(GetEnvVar("RmTestNoSuchVariable"), "");
    EXPECT_EQ(GetEnvVar(""), "");
    unsetenv("RmTestVariable");
    unsetenv("RMTESTVARIABLE");
    unsetenv("RmTestEmpty");
}

TEST(ReverseText, ReversesBytes) {
    EXPECT_EQ(ReverseText("ABC"), "CBA");
    EXPECT_EQ(ReverseText(""), "");
    EXPECT_EQ(ReverseText(std::string("a\0b", 3)), std::string("b\0a", 3));
}

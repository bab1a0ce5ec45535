#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/ini.h"

TEST(NumberToText, WritesLikePercentGWithThreeExponentDigitsAndReadsBack) {
    EXPECT_EQ(NumberToText(1.0 / 3.0), "0.333333");
    EXPECT_EQ(NumberToText(123456), "123456");
    EXPECT_EQ(NumberToText(1234567), "1.23457e+006");
    EXPECT_EQ(NumberToText(1e-5), "1e-005");
    EXPECT_EQ(NumberToText(-2.5e-300), "-2.5e-300");
    for (double v : {0.1234567, -3.0, 1e-7, 6.02214076e23}) {
        EXPECT_NEAR(TextToDouble(NumberToText(v), 0), v, std::fabs(v) * 1e-5) << v;
    }
}

TEST(TextToInt, ReadsTheLeadingIntegerOrFallsBack) {
    EXPECT_EQ(TextToInt("12abc", 7), 12);
    EXPECT_EQ(TextToInt("3.9", 7), 3);
    EXPECT_EQ(TextToInt(" \t\n-42", 7), -42);
    EXPECT_EQ(TextToInt("+42", 7), 42);
    EXPECT_EQ(TextToInt("000000000000000000009", 7), 9);
    EXPECT_EQ(TextToInt("2147483647", 7), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648", 7), -2147483647 - 1);
    for (const char* bad :
         {"", "abc", "-", "+-5", ".5", "2147483648", "-2147483649", "99999999999999999999"}) {
        EXPECT_EQ(TextToInt(bad, 7), 7) << bad;
    }
}

TEST(TextToDouble, ReadsOnlyPlainDecimalNumbers) {
    EXPECT_DOUBLE_EQ(TextToDouble(".5", 7), 0.5);
    EXPECT_DOUBLE_EQ(TextToDouble("5.", 7), 5);
    EXPECT_DOUBLE_EQ(TextToDouble("1.5.2", 7), 1.5);
    EXPECT_DOUBLE_EQ(TextToDouble("  -2.5E-2x", 7), -0.025);
    EXPECT_DOUBLE_EQ(TextToDouble("+4", 7), 4);
    EXPECT_DOUBLE_EQ(TextToDouble("3e+", 7), 3);
    EXPECT_DOUBLE_EQ(TextToDouble("1.23457e+006", 7), 1234570);
    EXPECT_DOUBLE_EQ(TextToDouble("0x10", 7), 0);
    for (const char* bad : {"", ".", "+-1", "e5", "inf", "nan", "1e999", "-1e999"}) {
        EXPECT_DOUBLE_EQ(TextToDouble(bad, 7), 7) << bad;
    }
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanning) {
    EXPECT_EQ(ReplaceAll("Lap [p] of [p]", "[p]", "1"), "Lap 1 of 1");
    EXPECT_EQ(ReplaceAll("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("text", "", "x"), "text");
}

TEST(CompareText, OrdersBytewiseWithShorterFirst) {
    EXPECT_EQ(CompareText("ADD", "add", true), 0);
    EXPECT_NE(CompareText("ADD", "add", false), 0);
    EXPECT_LT(CompareText("ad", "add", true), 0);
    EXPECT_GT(CompareText("\xE9", "z", false), 0);
}

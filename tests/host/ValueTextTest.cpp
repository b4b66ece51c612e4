#include "host/ValueText.h"
#include "host/PluginEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace tovrel {
namespace {

std::string floatText(double value, int32_t maxLen = 8) {
    char text[32];
    std::memset(text, 'x', sizeof(text));
    formatFloatText(value, text, maxLen);
    return text;
}

std::string integerText(int32_t value) {
    char text[32];
    formatIntegerText(value, text, 8);
    return text;
}

TEST(ValueText, FloatShowsEightCharactersOfSignificance) {
    EXPECT_EQ(floatText(1.5), "1.500000");
    EXPECT_EQ(floatText(0.0), "0.000000");
    EXPECT_EQ(floatText(-3.2f), "-3.20000");
    EXPECT_EQ(floatText(12345.5), "12345.50");
    EXPECT_EQ(floatText(1234567.0), "1234567.");
    EXPECT_EQ(floatText(0.25), "0.250000");
    EXPECT_EQ(floatText(99.0), "99.00000");
}

TEST(ValueText, FloatTooLargeIsHuge) {
    EXPECT_EQ(floatText(123456789.0), "Huge!");
    EXPECT_EQ(floatText(-10000000.0), "Huge!");
    EXPECT_EQ(floatText(INFINITY), "Huge!");
    EXPECT_EQ(floatText(99999999.0).size(), 8u); // still rendered, within the budget
}

TEST(ValueText, OutputKeepsAtMostMaxLenCharactersAndTerminates) {
    char text[16];
    std::memset(text, 'x', sizeof(text));
    formatFloatText(1.5, text, 3);
    EXPECT_STREQ(text, "1.5");
    EXPECT_EQ(text[4], 'x'); // nothing written after the terminator
    formatFloatText(1.5, text, 0);
    EXPECT_STREQ(text, "");
}

// The text fields a host hands in: at most maxLen characters, then NULs up to and including
// position maxLen, and nothing written beyond it.
TEST(ValueText, CopiedTextFillsItsFieldAndNoMore) {
    char field[12];
    std::memset(field, 'x', sizeof(field));
    copyText(field, "Feedback", 4);
    EXPECT_EQ(std::string(field), "Feed");
    EXPECT_EQ(field[5], 'x');

    std::memset(field, 'x', sizeof(field));
    copyText(field, "dB", 8);
    EXPECT_EQ(std::string(field), "dB");
    for (int i = 2; i <= 8; ++i)
        EXPECT_EQ(field[i], '\0') << i;
    EXPECT_EQ(field[9], 'x');

    std::memset(field, 'x', sizeof(field));
    copyText(field, "Hz", 0);
    EXPECT_EQ(field[0], '\0');
    EXPECT_EQ(field[4], 'x');
    copyText(nullptr, "Hz", 3); // a host that passes no field gets nothing written
    copyText(field, "Hz", -1);
    EXPECT_EQ(field[0], '\0');
}

TEST(ValueText, NotANumberIsNotRenderedAsDigits) {
    EXPECT_EQ(floatText(std::nan("")), "NaN");
}

TEST(ValueText, IntegerDigitsWithoutLeadingZeros) {
    EXPECT_EQ(integerText(0), "0");
    EXPECT_EQ(integerText(-42), "-42");
    EXPECT_EQ(integerText(7), "7");
    EXPECT_EQ(integerText(100), "100");
    EXPECT_EQ(integerText(99999999), "99999999");
    EXPECT_EQ(integerText(100000000), "Huge!");
    EXPECT_EQ(integerText(INT32_MIN), "Huge!");
}

TEST(ValueText, DecibelsOfAGain) {
    char text[16];
    formatDecibelText(0.0f, text, 8);
    EXPECT_STREQ(text, "-oo");
    formatDecibelText(-1.0f, text, 8);
    EXPECT_STREQ(text, "-oo");
    formatDecibelText(NAN, text, 8);
    EXPECT_STREQ(text, "-oo");
    formatDecibelText(1.0f, text, 8);
    EXPECT_STREQ(text, "0.000000");
    formatDecibelText(10.0f, text, 8);
    EXPECT_STREQ(text, "20.00000");
    formatDecibelText(0.5f, text, 8);
    EXPECT_STREQ(text, "-6.02059");
}

} // namespace
} // namespace tovrel

// Numbers from typed words: the whole word must be the number.
#include "base/parse_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace calyra {
namespace {

TEST(ParseNumber, RefusesAWordThatIsNotAllNumber) {
    for (const char* word : {"", " ", "x", "12x", "1 2", "0x", "- 1"}) {
        EXPECT_FALSE(ParseWholeNumber(word, -100, 100)) << '"' << word << '"';
        EXPECT_FALSE(ParseDoubleNumber(word)) << '"' << word << '"';
        EXPECT_FALSE(ParseFloatNumber(word)) << '"' << word << '"';
    }
    EXPECT_FALSE(ParseDoubleNumber("1.5e"));
    EXPECT_FALSE(ParseFloatNumber("2.5f"));
}

TEST(ParseNumber, KeepsWholeNumbersInsideTheirRange) {
    EXPECT_EQ(ParseWholeNumber("-7", -7, 7), -7);
    EXPECT_EQ(ParseWholeNumber("+7", -7, 7), 7);
    EXPECT_FALSE(ParseWholeNumber("8", -7, 7));
    EXPECT_FALSE(ParseWholeNumber("-8", -7, 7));
    // Decimal only, and no fraction.
    EXPECT_EQ(ParseWholeNumber("010", 0, 100), 10);
    EXPECT_FALSE(ParseWholeNumber("1.0", 0, 100));
    // Beyond long long: refused, not clamped into the range.
    const long long most = std::numeric_limits<long long>::max();
    EXPECT_FALSE(ParseWholeNumber("99999999999999999999", 0, most));
    EXPECT_EQ(ParseWholeNumber("9223372036854775807", 0, most), most);
}

TEST(ParseNumber, FloatsAreRoundedOnceAndComeBackBitForBit) {
    const float third = 1.0f / 3.0f;
    char text[64];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(third));
    const std::optional<float> back = ParseFloatNumber(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::memcmp(&*back, &third, sizeof third), 0);
    // Rounded once from the text, not through double: just above the
    // halfway point between 1 and the next float up, which a double would
    // round to exactly, and then to even (1) in float.
    EXPECT_EQ(ParseFloatNumber("1.00000005960464477539062500000001"), std::nextafter(1.0f, 2.0f));
}

TEST(ParseNumber, OnlyTheFiniteParseRefusesInfinityNaNAndOverflow) {
    for (const char* word : {"inf", "-inf", "nan", "1e999", "1e-999"}) {
        EXPECT_TRUE(ParseDoubleNumber(word)) << word;
        EXPECT_FALSE(ParseFiniteDoubleNumber(word)) << word;
    }
    EXPECT_EQ(ParseFiniteDoubleNumber("-2.5e3"), -2500.0);
    EXPECT_TRUE(std::isinf(*ParseFloatNumber("inf")));
}

}  // namespace
}  // namespace calyra

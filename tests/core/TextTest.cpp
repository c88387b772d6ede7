#include "base/Text.h"

#include <gtest/gtest.h>
#include <limits>

namespace lindrel {
namespace {

TEST(ReadLeadingNumber, ReadsTheNumberAtTheStart) {
    EXPECT_EQ(ReadLeadingNumber("12abc"), 12.0);
    EXPECT_EQ(ReadLeadingNumber(" 1 0 "), 10.0);
    EXPECT_EQ(ReadLeadingNumber("-0.4"), -0.4);
    EXPECT_EQ(ReadLeadingNumber("4.6"), 4.6);
    EXPECT_EQ(ReadLeadingNumber("+7x"), 7.0);
    EXPECT_EQ(ReadLeadingNumber("1e3"), 1000.0);
    EXPECT_EQ(ReadLeadingNumber("2e"), 2.0);
    EXPECT_EQ(ReadLeadingNumber(".5"), 0.5);
    EXPECT_FALSE(ReadLeadingNumber("abc"));
    EXPECT_FALSE(ReadLeadingNumber(""));
    EXPECT_FALSE(ReadLeadingNumber("-"));
    EXPECT_FALSE(ReadLeadingNumber("."));
}

TEST(ReadWholeNumber, RoundsHalvesToEvenAndSaturates) {
    EXPECT_EQ(ReadWholeNumber("abc"), 0);
    EXPECT_EQ(ReadWholeNumber("4.6"), 5);
    EXPECT_EQ(ReadWholeNumber("-0.4"), 0);
    EXPECT_EQ(ReadWholeNumber("2.5"), 2);
    EXPECT_EQ(ReadWholeNumber("3.5"), 4);
    EXPECT_EQ(ReadWholeNumber("99999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(ReadWholeNumber("-1e400"), std::numeric_limits<int>::min());
    EXPECT_EQ(ReadWholeNumber("1e-400"), 0);
}

TEST(ParseInt32, TakesOnlyWholeDecimalNumbers) {
    EXPECT_EQ(ParseInt32("42"), 42);
    EXPECT_EQ(ParseInt32("-3"), -3);
    EXPECT_EQ(ParseInt32("+8"), 8);
    EXPECT_FALSE(ParseInt32(""));
    EXPECT_FALSE(ParseInt32("1.5"));
    EXPECT_FALSE(ParseInt32("+-1"));
    EXPECT_FALSE(ParseInt32("2147483648"));
    EXPECT_FALSE(ParseInt32(" 1"));
}

TEST(TextHelpers, TrimSplitAndCompare) {
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(Split("", ',').size(), 1u);
    EXPECT_EQ(Split("a,,b,", ','), (std::vector<std::string_view>{"a", "", "b", ""}));
    EXPECT_TRUE(EqualsIgnoreCase("no server found", "NO SERVER FOUND"));
    EXPECT_FALSE(EqualsIgnoreCase("DOWN ", "DOWN"));
}

} // namespace
} // namespace lindrel

#include "base/UrlCodec.h"

#include <gtest/gtest.h>
#include <random>

namespace lindrel {
namespace {

TEST(UrlEncode, KeepsOnlyLettersAndDigits) {
    EXPECT_EQ(URLEncode(""), "");
    EXPECT_EQ(URLEncode("a b"), "a+b");
    EXPECT_EQ(URLEncode("Quorvane Other"), "Quorvane+Other");
    EXPECT_EQ(URLEncode("C:\\Program Files\\Quake III Arena\\quake3.exe"),
              "C%3A%5CProgram+Files%5CQuake+III+Arena%5Cquake3%2Eexe");
    EXPECT_EQ(URLEncode("+"), "%2B");
    EXPECT_EQ(URLEncode(","), "%2C");
    EXPECT_EQ(URLEncode("%"), "%25");
    EXPECT_EQ(URLEncode("\t"), "%09");
    EXPECT_EQ(URLEncode(".-_~"), "%2E%2D%5F%7E");
    EXPECT_EQ(URLEncode(std::string("\0\xff", 2)), "%00%FF");
}

TEST(UrlDecode, ReadsTheEncodedForms) {
    EXPECT_EQ(URLDecode(""), "");
    EXPECT_EQ(URLDecode("Quorvane+Other"), "Quorvane Other");
    EXPECT_EQ(URLDecode("Quorvane%20Other"), "Quorvane Other");
    EXPECT_EQ(URLDecode("%2e"), ".");
    EXPECT_EQ(URLDecode("%2E"), ".");
    EXPECT_EQ(URLDecode("abc%41"), "abcA");
    EXPECT_EQ(URLDecode("%41%42"), "AB");
    EXPECT_EQ(URLDecode("%C3%A9"), "\xC3\xA9");
    EXPECT_EQ(URLDecode("x%4"), "x\x04");
    EXPECT_EQ(URLDecode("%2B+"), "+ ");
}

TEST(UrlDecode, FailsOnMalformedEscapes) {
    for (const char* bad : {"100%", "%", "%G1", "%4z", "%%41", "a%+1", "%+", "%1%"}) {
        EXPECT_FALSE(URLDecode(bad).has_value()) << bad;
    }
}

TEST(UrlCodec, EveryByteStringSurvivesARoundTrip) {
    std::string allBytes;
    for (int c = 0; c < 256; ++c) {
        allBytes += static_cast<char>(c);
    }
    EXPECT_EQ(URLDecode(URLEncode(allBytes)), allBytes);

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 300);
    for (int round = 0; round < 2000; ++round) {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (auto& c : text) {
            c = static_cast<char>(byte(random));
        }
        const std::string encoded = URLEncode(text);
        ASSERT_EQ(encoded.find_first_of(", \r\n|"), std::string::npos);
        ASSERT_EQ(URLDecode(encoded), text);
    }
}

} // namespace
} // namespace lindrel

// The command-line scanner: integer widths and overflow, white space, words, trailing text.

#include "protocol/scan.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quoll {
namespace {

TEST(Scan, IntegersFitTheirTargetWidthOrFail) {
    std::int16_t small = 0;
    EXPECT_TRUE(scan("32767", "{}", small));
    EXPECT_EQ(small, 32767);
    EXPECT_TRUE(scan("-32768", "{}", small));
    EXPECT_EQ(small, -32768);
    EXPECT_FALSE(scan("32768", "{}", small));
    EXPECT_FALSE(scan("-32769", "{}", small));
    EXPECT_FALSE(scan("99999999999999999999999", "{}", small));

    std::int32_t middle = 0;
    EXPECT_TRUE(scan("2147483647", "{}", middle));
    EXPECT_EQ(middle, 2147483647);
    EXPECT_TRUE(scan("-2147483648", "{}", middle));
    EXPECT_EQ(middle, -2147483647 - 1);
    EXPECT_FALSE(scan("2147483648", "{}", middle));

    std::int64_t large = 0;
    EXPECT_TRUE(scan("9223372036854775807", "{}", large));
    EXPECT_EQ(large, INT64_MAX);
    EXPECT_TRUE(scan("-9223372036854775808", "{}", large));
    EXPECT_EQ(large, INT64_MIN);
    EXPECT_FALSE(scan("9223372036854775808", "{}", large));
    EXPECT_FALSE(scan("-9223372036854775809", "{}", large));
    EXPECT_FALSE(scan("18446744073709551616", "{}", large));  // wraps to 0 in 64 bits
}

TEST(Scan, SignsLeadingZerosAndNonNumbers) {
    std::int16_t value = 1;
    EXPECT_TRUE(scan("+15", "{}", value));
    EXPECT_EQ(value, 15);
    EXPECT_TRUE(scan("-0", "{}", value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(scan("000000000000000000000042", "{}", value));
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(scan("-", "{}", value));
    EXPECT_FALSE(scan("+-1", "{}", value));
    EXPECT_FALSE(scan("- 1", "{}", value));
    EXPECT_FALSE(scan("X", "{}", value));
    EXPECT_FALSE(scan("", "{}", value));
}

TEST(Scan, PlaceholdersSkipWhiteSpaceButLiteralsDoNot) {
    std::int16_t x = 0;
    std::int16_t y = 0;
    EXPECT_TRUE(scan("TURN \t 7, \v 8", "TURN {},{}", x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_FALSE(scan("TURN 7 ,8", "TURN {},{}", x, y));
    EXPECT_FALSE(scan("TURN 7 8", "TURN {},{}", x, y));
    EXPECT_FALSE(scan("TURN 7;8", "TURN {},{}", x, y));
    EXPECT_FALSE(scan("TUR 7,8", "TURN {},{}", x, y));
    // A blank of the pattern also matches no white space at all.
    EXPECT_TRUE(scan("TURN7,8", "TURN {},{}", x, y));
    EXPECT_TRUE(scan("TURN\r\n\f3,4", "TURN {},{}", x, y));
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
}

TEST(Scan, TextAfterTheLastPlaceholderIsIgnored) {
    std::int16_t x = 0;
    std::int16_t y = 0;
    EXPECT_TRUE(scan("7,7,1", "{},{}", x, y));
    EXPECT_TRUE(scan("7,8MORE", "{},{}", x, y));
    EXPECT_EQ(y, 8);
    EXPECT_TRUE(scan("1000MS", "{} trailing literals are not needed", x));
    EXPECT_EQ(x, 1000);
    // A digit run that overflows is a failure even though text after it would be ignored.
    EXPECT_FALSE(scan("7,40000X", "{},{}", x, y));
}

TEST(Scan, EveryPlaceholderMustBeFilled) {
    std::int16_t size = 0;
    EXPECT_FALSE(scan("START", "START {}", size));
    EXPECT_FALSE(scan("START 15", "START {} {}", size, size));
    // One target twice: the later number is the one that stays.
    EXPECT_TRUE(scan("START 20 15", "START {} {}", size, size));
    EXPECT_EQ(size, 15);
    // More targets than placeholders cannot all be filled.
    EXPECT_FALSE(scan("START 20 15", "START {}", size, size));
}

TEST(Scan, WordsRunToTheNextWhiteSpaceAndKeepEveryOtherByte) {
    std::string key;
    std::string value;
    EXPECT_TRUE(scan("INFO   TIMEOUT_TURN\t1000 rest", "INFO {} {}", key, value));
    EXPECT_EQ(key, "TIMEOUT_TURN");
    EXPECT_EQ(value, "1000");
    EXPECT_FALSE(scan("INFO TIME_LEFT", "INFO {} {}", key, value));
    EXPECT_FALSE(scan("INFO TIME_LEFT   ", "INFO {} {}", key, value));
    std::string word;
    EXPECT_FALSE(scan("", "{}", word));
    EXPECT_FALSE(scan(" \t\r ", "{}", word));
    const std::string odd("\xC3\xA9\0X,{}", 7);
    EXPECT_TRUE(scan("  " + odd + " tail", "{}", word));
    EXPECT_EQ(word, odd);
}

TEST(ScanLeadingInteger, ReadsTheIntegerAtTheStartOfAValue) {
    EXPECT_EQ(scanLeadingInteger<std::int32_t>("1000MS"), 1000);
    EXPECT_EQ(scanLeadingInteger<std::int32_t>("-5"), -5);
    EXPECT_EQ(scanLeadingInteger<std::int32_t>("ABC"), std::nullopt);
    EXPECT_EQ(scanLeadingInteger<std::int32_t>(""), std::nullopt);
    EXPECT_EQ(scanLeadingInteger<std::int32_t>("2147483648"), std::nullopt);
    EXPECT_EQ(scanLeadingInteger<std::int64_t>("2147483648"), 2147483648LL);
    EXPECT_EQ(scanLeadingInteger<std::int16_t>("7,7"), 7);
}

}  // namespace
}  // namespace quoll

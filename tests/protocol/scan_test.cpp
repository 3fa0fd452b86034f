// The command-line scanner: integer widths and overflow, white space, words, trailing text.

#include "protocol/scan.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quoll {
namespace {

// Each text scanned alone into a T: the value read, or nothing where the scan must fail.
template <typename T>
void expectIntegers(std::initializer_list<std::pair<const char*, std::optional<T>>> cases) {
    for (const auto& [text, expected] : cases) {
        T value{};
        const bool read = scan(text, "{}", value);
        EXPECT_EQ(read ? std::optional<T>(value) : std::nullopt, expected) << text;
    }
}

TEST(Scan, IntegersFitTheirTargetWidthOrFail) {
    expectIntegers<std::int16_t>({{"32767", 32767}, {"-32768", -32768}, {"32768", {}},
                                  {"-32769", {}}, {"99999999999999999999999", {}}});
    expectIntegers<std::int32_t>(
        {{"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"2147483648", {}}});
    expectIntegers<std::int64_t>({{"9223372036854775807", INT64_MAX},
                                  {"-9223372036854775808", INT64_MIN},
                                  {"9223372036854775808", {}},
                                  {"-9223372036854775809", {}},
                                  {"18446744073709551616", {}}});  // wraps to 0 in 64 bits
}

TEST(Scan, SignsLeadingZerosAndNonNumbers) {
    expectIntegers<std::int16_t>({{"+15", 15}, {"-0", 0}, {"000000000000000000000042", 42},
                                  {"-", {}}, {"+-1", {}}, {"- 1", {}}, {"X", {}}, {"", {}}});
}

// Two numbers read with `pattern`, or nothing where the scan fails.
std::optional<std::pair<int, int>> scanTwo(std::string_view text, std::string_view pattern) {
    std::int16_t x = 0;
    std::int16_t y = 0;
    if (!scan(text, pattern, x, y)) return std::nullopt;
    return std::pair<int, int>{x, y};
}

TEST(Scan, PlaceholdersSkipWhiteSpaceButLiteralsDoNot) {
    EXPECT_EQ(scanTwo("TURN \t 7, \v 8", "TURN {},{}"), std::pair(7, 8));
    for (const char* text : {"TURN 7 ,8", "TURN 7 8", "TURN 7;8", "TUR 7,8"})
        EXPECT_EQ(scanTwo(text, "TURN {},{}"), std::nullopt) << text;
    // A blank of the pattern also matches no white space at all.
    EXPECT_EQ(scanTwo("TURN7,8", "TURN {},{}"), std::pair(7, 8));
    EXPECT_EQ(scanTwo("TURN\r\n\f3,4", "TURN {},{}"), std::pair(3, 4));
}

TEST(Scan, TextAfterTheLastPlaceholderIsIgnored) {
    EXPECT_EQ(scanTwo("7,7,1", "{},{}"), std::pair(7, 7));
    EXPECT_EQ(scanTwo("7,8MORE", "{},{}"), std::pair(7, 8));
    std::int16_t x = 0;
    EXPECT_TRUE(scan("1000MS", "{} trailing literals are not needed", x));
    EXPECT_EQ(x, 1000);
    // A digit run that overflows is a failure even though text after it would be ignored.
    EXPECT_EQ(scanTwo("7,40000X", "{},{}"), std::nullopt);
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

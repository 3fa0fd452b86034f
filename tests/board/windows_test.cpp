// Window codes: values of codes to either colour and the threat pattern tests.

#include <gtest/gtest.h>

#include <array>

#include "board/windows.hpp"

namespace quoll {
namespace {

TEST(WindowValue, TellingCodes) {
    // code, value to the engine; the opponent's is its negation.
    const int rows[][2] = {{0, 0},
                           {30, 30000},  // five own stones, flanks free
                           {138, 0},     // the same five with an own stone beside it: six
                           {144, 0},
                           {4, -62}};
    for (const auto& [code, value] : rows) {
        EXPECT_EQ(windowValue<Colour::Own>(code), value) << code;
        EXPECT_EQ(windowValue<Colour::Opponent>(code), -value) << code;
    }
}

// The digits read back to the code; both evaluators see the same window from opposite sides,
// and a mixed or self-flanked window is worth nothing.
TEST(WindowValue, EveryCodeByItsDigits) {
    for (int code = 0; code < kCodeCount; ++code) {
        const int own = ownStones(code), opponent = opponentStones(code);
        EXPECT_EQ(opponent + 6 * own + 36 * opponentFlanks(code) + 108 * ownFlanks(code), code);
        EXPECT_EQ(windowValue<Colour::Own>(code), -windowValue<Colour::Opponent>(code)) << "code " << code;
        if (own + opponent > 5) continue;
        int expected = 0;
        if (own > 0 && opponent == 0 && ownFlanks(code) == 0) expected = kWindowScore[own];
        if (opponent > 0 && own == 0 && opponentFlanks(code) == 0)
            expected = -kWindowScore[opponent];
        EXPECT_EQ(windowValue<Colour::Own>(code), expected) << "code " << code;
    }
}

TEST(WindowPatterns, TellingCases) {
    // An opponent stone beside an own two does not spoil it.
    EXPECT_TRUE(matchesPattern<Colour::Own>(48, 12));
    EXPECT_FALSE(matchesPattern<Colour::Own>(120, 12));
    EXPECT_TRUE(matchesPattern<Colour::Opponent>(110, 2));
    EXPECT_FALSE(matchesPattern<Colour::Opponent>(38, 2));
    using Own = Patterns<Colour::Own>;
    using Opponent = Patterns<Colour::Opponent>;
    EXPECT_EQ((std::array<int, 6>{Own::cleanFour, Own::cleanThree, Own::cleanTwo, Own::cleanOne,
                                  Own::threeWithOwnFlank, Own::twoWithOwnFlank}),
              (std::array<int, 6>{24, 18, 12, 6, 126, 120}));
    EXPECT_EQ((std::array<int, 6>{Opponent::cleanFour, Opponent::cleanThree, Opponent::cleanTwo,
                                  Opponent::cleanOne, Opponent::threeWithOwnFlank,
                                  Opponent::twoWithOwnFlank}),
              (std::array<int, 6>{4, 3, 2, 1, 39, 38}));
}

// A pattern matches exactly the codes equal to it in every digit but the other colour's flanks.
TEST(WindowPatterns, IgnoreOnlyTheOtherColoursFlankDigit) {
    auto same = [](int code, int pattern, int (*flanks)(int)) {
        return ownStones(code) == ownStones(pattern) &&
               opponentStones(code) == opponentStones(pattern) && flanks(code) == flanks(pattern);
    };
    for (int pattern = 0; pattern < kCodeCount; ++pattern)
        for (int code = 0; code < kCodeCount; ++code) {
            if (opponentFlanks(pattern) == 0) {
                ASSERT_EQ(matchesPattern<Colour::Own>(code, pattern), same(code, pattern, ownFlanks))
                    << code << " vs " << pattern;
            }
            if (ownFlanks(pattern) == 0) {
                ASSERT_EQ(matchesPattern<Colour::Opponent>(code, pattern),
                          same(code, pattern, opponentFlanks))
                    << code << " vs " << pattern;
            }
        }
}

}  // namespace
}  // namespace quoll

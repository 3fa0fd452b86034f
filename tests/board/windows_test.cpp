// Window codes: values of codes to either colour and the threat pattern tests.

#include <gtest/gtest.h>

#include "board/windows.hpp"

namespace quoll {
namespace {

int codeOf(int opponent, int own, int opponentFlank, int ownFlank) {
    return opponent + 6 * own + 36 * opponentFlank + 108 * ownFlank;
}

TEST(WindowValue, TellingCodes) {
    EXPECT_EQ(windowValueOwn(0), 0);
    EXPECT_EQ(windowValueOpponent(0), 0);
    EXPECT_EQ(windowValueOwn(30), 30000);  // five own stones, flanks free
    EXPECT_EQ(windowValueOpponent(30), -30000);
    EXPECT_EQ(windowValueOwn(138), 0);  // the same five with an own stone beside it: six
    EXPECT_EQ(windowValueOpponent(138), 0);
    EXPECT_EQ(windowValueOwn(144), 0);
    EXPECT_EQ(windowValueOpponent(144), 0);
    EXPECT_EQ(windowValueOwn(4), -62);
    EXPECT_EQ(windowValueOpponent(4), 62);
}

TEST(WindowValue, DigitsReadBack) {
    for (int code = 0; code < kCodeCount; ++code) {
        EXPECT_EQ(codeOf(opponentStones(code), ownStones(code), opponentFlanks(code), ownFlanks(code)), code);
    }
}

// Both evaluators see the same window from opposite sides, and a mixed or self-flanked window
// is worth nothing.
TEST(WindowValue, OwnIsTheNegatedOpponentValueForEveryCode) {
    for (int code = 0; code < kCodeCount; ++code) {
        EXPECT_EQ(windowValueOwn(code), -windowValueOpponent(code)) << "code " << code;
        const int own = ownStones(code), opponent = opponentStones(code);
        if (own + opponent > 5) continue;
        int expected = 0;
        if (own > 0 && opponent > 0) expected = 0;
        else if (own > 0) expected = ownFlanks(code) == 0 ? kWindowScore[own] : 0;
        else if (opponent > 0) expected = opponentFlanks(code) == 0 ? -kWindowScore[opponent] : 0;
        EXPECT_EQ(windowValueOwn(code), expected) << "code " << code;
    }
}

TEST(WindowPatterns, TellingCases) {
    EXPECT_TRUE(matchesOwnPattern(48, 12));  // an opponent stone beside an own two does not spoil it
    EXPECT_FALSE(matchesOwnPattern(120, 12));
    EXPECT_TRUE(matchesOpponentPattern(110, 2));
    EXPECT_FALSE(matchesOpponentPattern(38, 2));
}

// A pattern matches exactly the codes equal to it in every digit but the other colour's flanks.
TEST(WindowPatterns, IgnoreOnlyTheOtherColoursFlankDigit) {
    for (int pattern = 0; pattern < kCodeCount; ++pattern) {
        if (opponentFlanks(pattern) == 0)
            for (int code = 0; code < kCodeCount; ++code) {
                const bool same = ownStones(code) == ownStones(pattern) &&
                                  opponentStones(code) == opponentStones(pattern) &&
                                  ownFlanks(code) == ownFlanks(pattern);
                ASSERT_EQ(matchesOwnPattern(code, pattern), same) << code << " vs " << pattern;
            }
        if (ownFlanks(pattern) == 0)
            for (int code = 0; code < kCodeCount; ++code) {
                const bool same = ownStones(code) == ownStones(pattern) &&
                                  opponentStones(code) == opponentStones(pattern) &&
                                  opponentFlanks(code) == opponentFlanks(pattern);
                ASSERT_EQ(matchesOpponentPattern(code, pattern), same) << code << " vs " << pattern;
            }
    }
}

TEST(WindowPatterns, NamedPatternsPerColour) {
    using Own = Patterns<Colour::Own>;
    using Opponent = Patterns<Colour::Opponent>;
    EXPECT_EQ(Own::cleanFour, 24);
    EXPECT_EQ(Own::cleanThree, 18);
    EXPECT_EQ(Own::cleanTwo, 12);
    EXPECT_EQ(Own::cleanOne, 6);
    EXPECT_EQ(Own::threeWithOwnFlank, 126);
    EXPECT_EQ(Own::twoWithOwnFlank, 120);
    EXPECT_EQ(Opponent::cleanFour, 4);
    EXPECT_EQ(Opponent::cleanThree, 3);
    EXPECT_EQ(Opponent::cleanTwo, 2);
    EXPECT_EQ(Opponent::cleanOne, 1);
    EXPECT_EQ(Opponent::threeWithOwnFlank, 39);
    EXPECT_EQ(Opponent::twoWithOwnFlank, 38);
}

}  // namespace
}  // namespace quoll

// VCF search: wins by continuous fours, within a budget, leaving the board as it found it.

#include "tree/vcf.hpp"

#include <gtest/gtest.h>

#include "support/positions.hpp"
#include "tree/counters.hpp"

namespace quoll {
namespace {

// A position seen by vcfAttack for attacker colour A: the trackers are built before the
// defender's latest block `last`, whose stone is then written on the board (not into the codes).
template <Colour A>
struct VcfSetup {
    static constexpr std::uint8_t kAtt = kStone<A>;
    static constexpr std::uint8_t kDef = kStone<opponentOf(A)>;
    EngineState state;
    std::unique_ptr<test::RootFrame> frame;
    Cell last;
    Board boardBefore;
    WindowCodes codesBefore;

    VcfSetup(std::initializer_list<std::pair<int, int>> attacker,
             std::initializer_list<std::pair<int, int>> defender, Cell lastBlock)
        : last(lastBlock) {
        for (auto [r, c] : attacker) state.board[makeCell(r, c)] = kAtt;
        for (auto [r, c] : defender) state.board[makeCell(r, c)] = kDef;
        rebuildWindowCodes(state);
        frame = std::make_unique<test::RootFrame>(state);
        state.board[last] = kDef;
        boardBefore = state.board;
        codesBefore = state.windowCodes;
    }
    const ThreatTracker& attackerThreats() const {
        return A == Colour::Own ? frame->ownThreats : frame->oppThreats;
    }
    const ThreatTracker& defenderThreats() const {
        return A == Colour::Own ? frame->oppThreats : frame->ownThreats;
    }
    Score attack(Depth budget, Ply ply, Cell prev, Score alpha = -kInfinity,
                 Score beta = kInfinity) {
        const Score s = vcfAttack<A>(state, budget, ply, alpha, beta, attackerThreats(),
                                     defenderThreats(), prev, last);
        EXPECT_EQ(state.board, boardBefore);
        EXPECT_EQ(state.windowCodes, codesBefore);
        return s;
    }
};

// The attacker's row-10 three (blocked by `last` at (10,1)) gives the four (10,5); its block
// (10,6) leaves (11,5), an open four on column 5 with (10,5), (12,5), (13,5).
template <Colour A>
VcfSetup<A> twoStepWin() {
    return VcfSetup<A>({{10, 2}, {10, 3}, {10, 4}, {12, 5}, {13, 5}}, {{5, 5}}, makeCell(10, 1));
}

template <typename T>
class Vcf : public ::testing::Test {};
using Attackers = ::testing::Types<std::integral_constant<Colour, Colour::Own>,
                                   std::integral_constant<Colour, Colour::Opponent>>;
TYPED_TEST_SUITE(Vcf, Attackers);

TYPED_TEST(Vcf, FindsAWinByContinuousFoursWithinItsBudget) {
    constexpr Colour A = TypeParam::value;
    auto setup = twoStepWin<A>();
    // The four at ply 3, its block at ply 4, the open four at ply 5: the defender is lost at
    // its node of ply 4, which sees the double four it cannot stop: 30000 - (3 + 5).
    EXPECT_EQ(setup.attack(180, 3, makeCell(10, 4)), 30000 - 8);
    EXPECT_EQ(setup.attack(180, 3, makeCell(10, 4)), 30000 - 8);  // a second call: the same
    EXPECT_EQ(setup.attack(216, 7, makeCell(10, 4)), 30000 - 12);
    // Two plies of budget are enough, one is not.
    EXPECT_EQ(setup.attack(24, 3, makeCell(10, 4)), 30000 - 8);
    EXPECT_EQ(setup.attack(12, 3, makeCell(10, 4), -50, 50), -50);
}

TYPED_TEST(Vcf, ExhaustedBudgetFailsForTheAttacker) {
    constexpr Colour A = TypeParam::value;
    auto setup = twoStepWin<A>();
    const auto before = nodeCounters;
    EXPECT_EQ(setup.attack(0, 3, makeCell(10, 4), -50, 50), -50);
    EXPECT_EQ(nodeCounters.vcf, before.vcf + 1);
    // The defender's side: with nothing left, the attacker's four is no threat.
    setup.state.board[makeCell(10, 5)] = VcfSetup<A>::kAtt;
    EXPECT_EQ(vcfDefend<A>(setup.state, 0, 4, -50, 50, setup.defenderThreats(),
                           setup.attackerThreats(), makeCell(10, 5), makeCell(10, 5)),
              50);
    setup.state.board[makeCell(10, 5)] = kEmpty;
    EXPECT_EQ(setup.state.windowCodes, setup.codesBefore);
}

TYPED_TEST(Vcf, WinningWindowIsBoundedByTheDistance) {
    constexpr Colour A = TypeParam::value;
    auto setup = twoStepWin<A>();
    // A window entirely above the attainable win returns its bound at once.
    EXPECT_EQ(setup.attack(180, 3, makeCell(10, 4), 29995, 31000), 30000 - 6);
    // A beta below the win fails high.
    EXPECT_EQ(setup.attack(180, 3, makeCell(10, 4), -50, 50), 50);
}

// The attacker's open three on row 3 gives the double-four cells (3,5) and (3,9).
template <Colour A>
VcfSetup<A> openThreeAt(int prevRow) {
    return VcfSetup<A>({{3, 6}, {3, 7}, {3, 8}, {prevRow, 5}}, {{13, 13}}, makeCell(12, 12));
}

TYPED_TEST(Vcf, FourMoreThanFourCellsFromPrevIsNeverTried) {
    constexpr Colour A = TypeParam::value;
    // (3,5) lies four cells above (7,5) on its column: tried, and it wins at once.
    auto near = openThreeAt<A>(7);
    EXPECT_EQ(near.attack(180, 3, makeCell(7, 5)), 30000 - 6);
    // Five cells above (8,5), and (3,10) five cells away on its diagonal: none is tried.
    auto far = openThreeAt<A>(8);
    const auto before = nodeCounters;
    EXPECT_EQ(far.attack(180, 3, makeCell(8, 5), -50, 50), -50);
    EXPECT_EQ(nodeCounters.vcf, before.vcf + 1);
}

TYPED_TEST(Vcf, BlockThatMakesAFourMustBeAnsweredWithAFour) {
    constexpr Colour A = TypeParam::value;
    // The defender's block (10,1) turns its column-1 stones (closed at (7,1) by the attacker)
    // into a four that the attacker must block at (12,1). That block makes no four for the
    // attacker: the sequence ends, although without the defender's four it would have won.
    VcfSetup<A> setup({{10, 2}, {10, 3}, {10, 4}, {12, 5}, {13, 5}, {7, 1}},
                      {{8, 1}, {9, 1}, {11, 1}, {5, 5}}, makeCell(10, 1));
    ASSERT_EQ(setup.defenderThreats().fourSlot[makeCell(10, 1)], makeCell(12, 1));
    EXPECT_EQ(setup.attack(180, 3, makeCell(10, 4), -50, 50), -50);
}

TYPED_TEST(Vcf, OpenFourOfTheBlockLosesForTheAttacker) {
    constexpr Colour A = TypeParam::value;
    // The defender's block makes an open four: the attacker loses with a five at ply + 1.
    VcfSetup<A> setup({{10, 2}, {10, 3}, {10, 4}}, {{7, 1}, {8, 1}, {9, 1}}, makeCell(10, 1));
    ASSERT_TRUE(isFourGroup(setup.defenderThreats().fourSlot[makeCell(10, 1)]));
    EXPECT_EQ(setup.attack(180, 3, makeCell(10, 4), -50, 50), 5 - 30000);
}

}  // namespace
}  // namespace quoll

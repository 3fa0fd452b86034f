// Threat tracker: the hand-worked positions, the primitive operations, and move-by-move updates
// in both forms checked against the build and against threats read off the stones.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/threats.hpp"
#include "support/positions.hpp"

namespace quoll {
namespace {

using namespace test;

constexpr CodesHold kBothForms[] = {CodesHold::Stone, CodesHold::NoStone};

Cell at(int row, int column) { return makeCell(row, column); }

std::vector<Cell> partnersOf(const ThreatTracker& tracker, Cell cell) {
    const std::uint16_t slot = tracker.fourSlot[cell];
    if (slot == kNoCell) return {};
    if (isSinglePartner(slot)) return {slot};
    const FourGroup& group = tracker.fourGroups[slot - kGroupBase];
    return {group.partners.begin(), group.partners.begin() + group.count};
}

// ---------------------------------------------------------------------------------------------
// Hand-worked positions

class RowThree : public ::testing::Test {
protected:
    Pools pools;
    TrackedPosition position{*pools.own, *pools.opponent};

    void setStones(std::initializer_list<Cell> cells) {
        position.board.fill(kEmpty);
        for (Cell cell : cells) position.board[cell] = kOwnStone;
        position.rebuild();
    }
    void expectPartners(std::initializer_list<std::pair<Cell, std::vector<Cell>>> rows) {
        for (const auto& [cell, partners] : rows)
            EXPECT_EQ(partnersOf(position.own, cell), partners) << "cell " << cell;
        EXPECT_EQ(soundFacts(position.own), expectedFacts<Colour::Own>(position.board));
    }
};

TEST_F(RowThree, OpenThreeGivesPartnersInWindowOrder) {
    setStones({at(7, 5), at(7, 6), at(7, 7)});
    expectPartners({{at(7, 3), {at(7, 4)}},
                    {at(7, 4), {at(7, 8), at(7, 3)}},
                    {at(7, 8), {at(7, 9), at(7, 4)}},
                    {at(7, 9), {at(7, 8)}}});
    EXPECT_EQ(position.own.fourGroupCount, 2);
    EXPECT_EQ(position.own.fourGroups[0].owner, at(7, 4));
    EXPECT_EQ(position.own.fourGroups[1].owner, at(7, 8));
    EXPECT_EQ(soundFacts(position.opponent), ThreatFacts{});
}

// Filling (7,8) and (7,9) beside the stone on (7,10) would make six in a row; the same when
// (7,10) is reached move by move from the bare three, in either form.
TEST_F(RowThree, OwnStoneBeyondSpoilsTheFarWindows) {
    setStones({at(7, 5), at(7, 6), at(7, 7), at(7, 10)});
    const std::initializer_list<std::pair<Cell, std::vector<Cell>>> expected = {
        {at(7, 3), {at(7, 4)}},
        {at(7, 4), {at(7, 8), at(7, 3)}},
        {at(7, 8), {at(7, 4)}},
        {at(7, 9), {}}};
    expectPartners(expected);
    for (CodesHold form : kBothForms) {
        setStones({at(7, 5), at(7, 6), at(7, 7)});
        position.play(Move{at(7, 10), Colour::Own}, form);
        expectPartners(expected);
    }
}

TEST_F(RowThree, FourthStoneLeavesTheFourCellsWithoutPartners) {
    for (CodesHold form : kBothForms) {
        setStones({at(7, 5), at(7, 6), at(7, 7)});
        position.play(Move{at(7, 4), Colour::Own}, form);
        expectPartners({{at(7, 3), {}}, {at(7, 4), {}}, {at(7, 8), {}}, {at(7, 9), {}}});
        EXPECT_EQ(position.own.fourGroupCount, 0);
    }
}

TEST_F(RowThree, ThreeAtTheEdgeOwnsGroupZero) {
    setStones({1, 2, 3});
    ASSERT_EQ(position.own.fourGroupCount, 1);
    EXPECT_EQ(position.own.fourSlot[4], kGroupBase + 0);
    EXPECT_EQ(position.own.fourGroups[0].owner, 4);
    expectPartners({{4, {5, 0}}, {0, {4}}, {5, {4}}});
    EXPECT_EQ(soundFacts(position.own).pairs, (PairSet{{0, 4}, {4, 0}, {4, 5}, {5, 4}}));
}

// Completing a three that has an own stone on a flank cell would make six: no pairs.
TEST_F(RowThree, OwnFlankStoneGivesNoPairs) {
    setStones({1, 2, 3, 5});
    EXPECT_EQ(soundFacts(position.own).pairs, PairSet{});
    setStones({at(7, 5), at(7, 6), at(7, 7), at(7, 9)});
    // Only the window from column 3 is still clean; the one from column 4 has (7,9) beside it.
    EXPECT_EQ(soundFacts(position.own).pairs,
              (PairSet{{at(7, 3), at(7, 4)}, {at(7, 4), at(7, 3)}}));
}

TEST_F(RowThree, DissolvingAnEarlierGroupMovesTheLastRecord) {
    setStones({at(7, 5), at(7, 6), at(7, 7)});
    ThreatTracker& own = position.own;
    removeFourPair(own, at(7, 4), at(7, 8));
    EXPECT_EQ(own.fourGroupCount, 1);
    EXPECT_EQ(own.fourSlot[at(7, 4)], at(7, 3));
    EXPECT_EQ(own.fourSlot[at(7, 8)], kGroupBase + 0);
    EXPECT_EQ(own.fourGroups[0].owner, at(7, 8));
    EXPECT_EQ(partnersOf(own, at(7, 8)), (std::vector<Cell>{at(7, 9), at(7, 4)}));
    soundFacts(own);

    // Dissolving the last record itself leaves no group.
    removeFourPair(own, at(7, 8), at(7, 9));
    EXPECT_EQ(own.fourGroupCount, 0);
    EXPECT_EQ(own.fourSlot[at(7, 8)], at(7, 4));
    soundFacts(own);
}

TEST_F(RowThree, GroupShrinksBySwappingInTheLastPartner) {
    setStones({});
    ThreatTracker& own = position.own;
    for (Cell partner : {1, 2, 3, 2}) addFourPair(own, 100, partner);  // 2 twice: no change
    EXPECT_EQ(partnersOf(own, 100), (std::vector<Cell>{2, 1, 3}));
    removeFourPair(own, 100, 2);
    EXPECT_EQ(partnersOf(own, 100), (std::vector<Cell>{3, 1}));
    clearTrackerCell(own, 100);
    EXPECT_EQ(own.fourSlot[100], kNoCell);
    EXPECT_EQ(own.fourGroupCount, 0);
}

// ---------------------------------------------------------------------------------------------
// Three lists and their persistence

TEST(ThreeLists, RemovalCopiesTheLinksInFrontAndLeavesTheParentsList) {
    auto pool = std::make_unique<LinkPool>();
    ThreatTracker parent = emptyTracker(*pool);
    addThreeTriple(parent, 10, 11, 12);
    addThreeTriple(parent, 10, 20, 30);
    addThreeTriple(parent, 10, 40, 50);
    const ThreatFacts before = soundFacts(parent);
    ASSERT_EQ(parent.linkCount, 9);

    ThreatTracker child = parent;
    removeThreeLink(child, 10, 11, 12);  // the last link of 10's list: two links copied
    EXPECT_EQ(child.linkCount, 11);
    TripleSet expected = before.triples;
    expected.erase(triple(10, 11, 12));
    EXPECT_EQ(soundFacts(child).triples, expected);
    EXPECT_EQ(soundFacts(parent), before);

    ThreatTracker grandchild = child;
    removeThreeLink(grandchild, 10, 50, 40);  // the head, either order: nothing copied
    EXPECT_EQ(grandchild.linkCount, 11);
    expected.erase(triple(10, 40, 50));
    EXPECT_EQ(soundFacts(grandchild).triples, expected);
    EXPECT_EQ(soundFacts(parent), before);

    // A sibling of the child reuses the scratch space beyond the parent's linkCount.
    ThreatTracker sibling = parent;
    clearTrackerCell(sibling, 20);
    EXPECT_EQ(soundFacts(parent), before);
    const TripleSet siblingTriples = soundFacts(sibling).triples;
    EXPECT_EQ(siblingTriples.count(triple(10, 20, 30)), 0u);
    EXPECT_EQ(siblingTriples.count(triple(30, 10, 20)), 0u);
    EXPECT_EQ(siblingTriples.count(triple(10, 11, 12)), 1u);
}

// ---------------------------------------------------------------------------------------------
// Move-by-move updates against the build and the stones

// Builds the first `builtPrefix` moves, plays the rest in the given form and checks both
// trackers after every move against the stones and against a fresh build.
void expectTrackedMatchesBuild(const std::vector<Move>& moves, std::size_t builtPrefix,
                               CodesHold form, const std::string& label) {
    Pools pools, scratch;
    TrackedPosition position(*pools.own, *pools.opponent);
    position.board = boardOf(moves, builtPrefix);
    position.rebuild();
    for (std::size_t i = builtPrefix; i < moves.size(); ++i) {
        position.play(moves[i], form);
        const Board& board = position.board;
        ASSERT_EQ(position.codes, codesByDefinition(board)) << label;
        const ThreatFacts own = soundFacts(position.own), opponent = soundFacts(position.opponent);
        ASSERT_EQ(own, expectedFacts<Colour::Own>(board)) << label << " move " << i;
        ASSERT_EQ(opponent, expectedFacts<Colour::Opponent>(board)) << label << " move " << i;
        ASSERT_EQ(own, soundFacts(builtTracker<Colour::Own>(board, position.codes, *scratch.own)));
        ASSERT_EQ(opponent, soundFacts(builtTracker<Colour::Opponent>(board, position.codes,
                                                                      *scratch.opponent)));
    }
}

TEST(TrackerUpdate, BothFormsMatchBuildMoveByMove) {
    for (CodesHold form : kBothForms)
        for (std::uint32_t seed = 1; seed <= 60; ++seed) {
            const Colour first = seed % 2 ? Colour::Own : Colour::Opponent;
            auto moves =
                seed % 3 ? clusteredMoves(seed, 110, first) : randomMoves(seed, 160, first);
            // From seed 41 on, one colour far ahead: many twos and threes of it at once.
            for (std::size_t i = 0; seed > 40 && i < moves.size(); ++i)
                if (i % 3 != 2) moves[i].colour = first;
            expectTrackedMatchesBuild(moves, seed % 4 * 10, form, "seed " + std::to_string(seed));
            if (::testing::Test::HasFatalFailure()) return;
        }
}

// Copies in a search: children share the pool and must leave every ancestor's lists as they were.
TEST(TrackerPersistence, ChildrenLeaveEveryAncestorAsItWas) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        Pools pools;
        SearchWalk walk(seed);
        walk.board = boardOf(clusteredMoves(seed, 20 + static_cast<int>(seed % 3) * 15));
        rebuildWindowCodes(walk.board, walk.codes);
        const ThreatTracker own = builtTracker<Colour::Own>(walk.board, walk.codes, *pools.own);
        const ThreatTracker opponent =
            builtTracker<Colour::Opponent>(walk.board, walk.codes, *pools.opponent);
        const Board boardBefore = walk.board;
        const WindowCodes codesBefore = walk.codes;
        const ThreatFacts ownBefore = soundFacts(own), opponentBefore = soundFacts(opponent);

        for (int child = 0; child < 3; ++child) {
            if (seed % 2) walk.node<Colour::Own>(own, opponent, walk.randomEmptyCell(), 4, 3);
            else walk.node<Colour::Opponent>(own, opponent, walk.randomEmptyCell(), 4, 3);
            ASSERT_FALSE(::testing::Test::HasFailure()) << "seed " << seed;
            EXPECT_EQ(walk.board, boardBefore);
            EXPECT_EQ(walk.codes, codesBefore);
            EXPECT_EQ(soundFacts(own), ownBefore);
            EXPECT_EQ(soundFacts(opponent), opponentBefore);
        }
    }
}

}  // namespace
}  // namespace quoll

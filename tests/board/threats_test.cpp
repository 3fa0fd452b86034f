// Threat tracker: the hand-worked positions, the primitive operations, and move-by-move updates
// in both forms checked against the build and against threats read off the stones.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board/threats.hpp"
#include "board_helpers.hpp"

namespace quoll {
namespace {

using boardtest::builtTracker;
using boardtest::clusteredMoves;
using boardtest::expectedFacts;
using boardtest::Move;
using boardtest::PairSet;
using boardtest::playMove;
using boardtest::Pools;
using boardtest::randomMoves;
using boardtest::SearchWalk;
using boardtest::soundFacts;
using boardtest::ThreatFacts;
using boardtest::TrackedPosition;
using boardtest::trackerFacts;
using boardtest::triple;
using boardtest::TripleSet;

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
        for (Cell cell : cells) position.board[cell] = kOwnStone;
        position.rebuild();
    }
};

TEST_F(RowThree, OpenThreeGivesPartnersInWindowOrder) {
    setStones({at(7, 5), at(7, 6), at(7, 7)});
    const ThreatTracker& own = position.own;
    EXPECT_EQ(partnersOf(own, at(7, 3)), (std::vector<Cell>{at(7, 4)}));
    EXPECT_EQ(partnersOf(own, at(7, 4)), (std::vector<Cell>{at(7, 8), at(7, 3)}));
    EXPECT_EQ(partnersOf(own, at(7, 8)), (std::vector<Cell>{at(7, 9), at(7, 4)}));
    EXPECT_EQ(partnersOf(own, at(7, 9)), (std::vector<Cell>{at(7, 8)}));
    EXPECT_EQ(own.fourGroupCount, 2);
    EXPECT_EQ(own.fourGroups[0].owner, at(7, 4));
    EXPECT_EQ(own.fourGroups[1].owner, at(7, 8));
    EXPECT_EQ(soundFacts(own).pairs.size(), 6u);
    EXPECT_EQ(soundFacts(own), expectedFacts<Colour::Own>(position.board));
    EXPECT_EQ(soundFacts(position.opponent), ThreatFacts{});
}

// Filling (7,8) and (7,9) beside the stone on (7,10) would make six in a row.
TEST_F(RowThree, OwnStoneBeyondSpoilsTheFarWindows) {
    setStones({at(7, 5), at(7, 6), at(7, 7), at(7, 10)});
    const ThreatTracker& own = position.own;
    EXPECT_EQ(partnersOf(own, at(7, 3)), (std::vector<Cell>{at(7, 4)}));
    EXPECT_EQ(partnersOf(own, at(7, 4)), (std::vector<Cell>{at(7, 8), at(7, 3)}));
    EXPECT_EQ(partnersOf(own, at(7, 8)), (std::vector<Cell>{at(7, 4)}));
    EXPECT_TRUE(partnersOf(own, at(7, 9)).empty());
    EXPECT_EQ(soundFacts(own), expectedFacts<Colour::Own>(position.board));

    // The same reached move by move from the bare three.
    for (CodesHold form : {CodesHold::Stone, CodesHold::NoStone}) {
        setStones({at(7, 5), at(7, 6), at(7, 7)});
        position.board[at(7, 10)] = kEmpty;
        position.rebuild();
        const Move move{at(7, 10), Colour::Own};
        if (form == CodesHold::Stone) playMove<CodesHold::Stone>(position, move);
        else playMove<CodesHold::NoStone>(position, move);
        EXPECT_EQ(partnersOf(position.own, at(7, 8)), (std::vector<Cell>{at(7, 4)}));
        EXPECT_TRUE(partnersOf(position.own, at(7, 9)).empty());
        EXPECT_EQ(soundFacts(position.own), expectedFacts<Colour::Own>(position.board));
    }
}

TEST_F(RowThree, FourthStoneLeavesTheFourCellsWithoutPartners) {
    for (CodesHold form : {CodesHold::Stone, CodesHold::NoStone}) {
        setStones({at(7, 5), at(7, 6), at(7, 7)});
        const Move move{at(7, 4), Colour::Own};
        if (form == CodesHold::Stone) playMove<CodesHold::Stone>(position, move);
        else playMove<CodesHold::NoStone>(position, move);
        for (Cell cell : {at(7, 3), at(7, 4), at(7, 8), at(7, 9)})
            EXPECT_TRUE(partnersOf(position.own, cell).empty()) << "cell " << cell;
        EXPECT_EQ(position.own.fourGroupCount, 0);
        EXPECT_EQ(soundFacts(position.own), expectedFacts<Colour::Own>(position.board));
        position.board[at(7, 4)] = kEmpty;
    }
}

TEST_F(RowThree, ThreeAtTheEdgeOwnsGroupZero) {
    setStones({1, 2, 3});
    const ThreatTracker& own = position.own;
    ASSERT_EQ(own.fourGroupCount, 1);
    EXPECT_EQ(own.fourSlot[4], kGroupBase + 0);
    EXPECT_EQ(own.fourGroups[0].owner, 4);
    EXPECT_EQ(partnersOf(own, 4), (std::vector<Cell>{5, 0}));
    EXPECT_EQ(partnersOf(own, 0), (std::vector<Cell>{4}));
    EXPECT_EQ(partnersOf(own, 5), (std::vector<Cell>{4}));
    EXPECT_EQ(soundFacts(own).pairs, (PairSet{{0, 4}, {4, 0}, {4, 5}, {5, 4}}));
}

// Completing a three that has an own stone on a flank cell would make six: no pairs.
TEST_F(RowThree, OwnFlankStoneGivesNoPairs) {
    setStones({1, 2, 3, 5});
    EXPECT_EQ(soundFacts(position.own).pairs, PairSet{});
    setStones({at(7, 5), at(7, 6), at(7, 7), at(7, 9)});
    // Only the window from column 3 is still clean; the one from column 4 has (7,9) beside it.
    EXPECT_EQ(soundFacts(position.own).pairs, (PairSet{{at(7, 3), at(7, 4)}, {at(7, 4), at(7, 3)}}));
}

TEST_F(RowThree, DissolvingAnEarlierGroupMovesTheLastRecord) {
    setStones({at(7, 5), at(7, 6), at(7, 7)});
    ThreatTracker& own = position.own;
    ASSERT_EQ(own.fourGroupCount, 2);
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
    Board& board = position.board;
    board.fill(kEmpty);
    position.rebuild();
    ThreatTracker& own = position.own;
    addFourPair(own, 100, 1);
    addFourPair(own, 100, 2);
    addFourPair(own, 100, 3);
    addFourPair(own, 100, 2);  // already a partner
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
    ThreatTracker parent{};
    parent.links = pool->links.data();
    parent.fourSlot.fill(kNoCell);
    parent.threeHead.fill(kNoLink);
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

// Plays `moves` in the given form and checks both trackers after every move.
template <CodesHold Form>
void expectTrackedMatchesBuild(const std::vector<Move>& moves, int builtPrefix, const std::string& label) {
    Pools pools, scratch;
    TrackedPosition position(*pools.own, *pools.opponent);
    for (int i = 0; i < builtPrefix; ++i) position.board[moves[i].cell] = static_cast<std::uint8_t>(moves[i].colour);
    position.rebuild();
    for (std::size_t i = builtPrefix; i < moves.size(); ++i) {
        playMove<Form>(position, moves[i]);
        ASSERT_EQ(position.codes, boardtest::referenceCodes(position.board)) << label;
        const ThreatFacts own = soundFacts(position.own), opponent = soundFacts(position.opponent);
        ASSERT_EQ(own, expectedFacts<Colour::Own>(position.board)) << label << " move " << i;
        ASSERT_EQ(opponent, expectedFacts<Colour::Opponent>(position.board)) << label << " move " << i;
        ASSERT_EQ(own, soundFacts(builtTracker<Colour::Own>(position.board, position.codes, *scratch.own)));
        ASSERT_EQ(opponent,
                  soundFacts(builtTracker<Colour::Opponent>(position.board, position.codes, *scratch.opponent)));
    }
}

TEST(TrackerUpdate, AfterFormMatchesBuildMoveByMove) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const Colour first = seed % 2 ? Colour::Own : Colour::Opponent;
        const auto moves = seed % 3 ? clusteredMoves(seed, 110, first) : randomMoves(seed, 160, first);
        expectTrackedMatchesBuild<CodesHold::Stone>(moves, static_cast<int>(seed % 4) * 10,
                                                    "seed " + std::to_string(seed));
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(TrackerUpdate, BeforeFormMatchesBuildMoveByMove) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const Colour first = seed % 2 ? Colour::Own : Colour::Opponent;
        const auto moves = seed % 3 ? clusteredMoves(seed, 110, first) : randomMoves(seed, 160, first);
        expectTrackedMatchesBuild<CodesHold::NoStone>(moves, static_cast<int>(seed % 4) * 10,
                                                      "seed " + std::to_string(seed));
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// Positions with one colour far ahead: many twos and threes of that colour at once.
TEST(TrackerUpdate, OneSidedPositionsMatchBuild) {
    for (std::uint32_t seed = 50; seed < 70; ++seed) {
        auto moves = clusteredMoves(seed, 90);
        for (std::size_t i = 0; i < moves.size(); ++i)
            if (i % 3 != 2) moves[i].colour = seed % 2 ? Colour::Own : Colour::Opponent;
        if (seed % 4 < 2) expectTrackedMatchesBuild<CodesHold::Stone>(moves, 0, "seed " + std::to_string(seed));
        else expectTrackedMatchesBuild<CodesHold::NoStone>(moves, 0, "seed " + std::to_string(seed));
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(TrackerUpdate, BothFormsAgree) {
    for (std::uint32_t seed = 500; seed < 520; ++seed) {
        Pools afterPools, beforePools;
        TrackedPosition after(*afterPools.own, *afterPools.opponent);
        TrackedPosition before(*beforePools.own, *beforePools.opponent);
        for (const Move& move : clusteredMoves(seed, 120, seed % 2 ? Colour::Own : Colour::Opponent)) {
            playMove<CodesHold::Stone>(after, move);
            playMove<CodesHold::NoStone>(before, move);
            ASSERT_EQ(soundFacts(after.own), soundFacts(before.own)) << "seed " << seed;
            ASSERT_EQ(soundFacts(after.opponent), soundFacts(before.opponent)) << "seed " << seed;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Copies in a search: children share the pool and must leave every ancestor's lists as they were.

TEST(TrackerPersistence, ChildrenLeaveEveryAncestorAsItWas) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        Pools pools;
        SearchWalk walk(seed);
        for (const Move& move : clusteredMoves(seed, 20 + static_cast<int>(seed % 3) * 15))
            walk.board[move.cell] = static_cast<std::uint8_t>(move.colour);
        rebuildWindowCodes(walk.board, walk.codes);
        const ThreatTracker own = builtTracker<Colour::Own>(walk.board, walk.codes, *pools.own);
        const ThreatTracker opponent = builtTracker<Colour::Opponent>(walk.board, walk.codes, *pools.opponent);
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

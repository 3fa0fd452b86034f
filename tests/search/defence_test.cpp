// Defence masks: which cells still meet every four-three combination the other side could
// start with its next move. Hand-built positions, checked cell by cell against a brute-force
// replay on the board where the two agree by construction.

#include "search/defence.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "support/positions.hpp"

namespace quoll {
namespace {

using test::kOpp;
using test::kOwn;

bool allDefend(const DefenceMask& mask) {
    return std::all_of(mask.begin(), mask.end(), [](std::uint8_t m) { return m == kDefends; });
}

// The loaded position's masks; the opponent attacks, the engine defends.
struct MaskSetup : test::LoadedPosition {
    using LoadedPosition::LoadedPosition;
    DefenceMask maskForList() {
        DefenceMask mask;
        return defenceMaskForList(mask, frame.ownThreats, frame.oppThreats, frame.list);
    }
    DefenceMask maskForBoard() {
        DefenceMask mask;
        return defenceMaskForBoard(mask, frame.ownThreats, frame.oppThreats);
    }
};

bool attackerHasDoubleFour(const Board& board) {
    std::map<Cell, int> partners;
    for (const auto& [cell, partner] : test::expectedFacts<Colour::Opponent>(board).pairs)
        if (++partners[cell] == 2) return true;
    return false;
}

// Replays the attacker's four-three on the board: some move makes two fours at once, or makes a
// four whose forced block leaves the attacker a cell with two fours. Threats read off the stones
// at every step.
bool attackerWinsByFourThree(Board board) {
    if (attackerHasDoubleFour(board)) return true;
    for (const auto& [cell, block] : test::expectedFacts<Colour::Opponent>(board).pairs) {
        board[cell] = kOpp;
        board[block] = kOwn;
        const bool wins = attackerHasDoubleFour(board);
        board[cell] = board[block] = kEmpty;
        if (wins) return true;
    }
    return false;
}

// No combination to meet: every cell defends, by list and by board.
TEST(DefenceMask, NoCombinationAdmitsEveryCell) {
    const test::Stones cases[] = {
        {{7, 7, kOpp}, {7, 8, kOpp}, {9, 9, kOpp}, {6, 6, kOwn}, {5, 9, kOwn}},  // no four
        {{7, 3, kOwn}, {7, 4, kOpp}, {7, 5, kOpp}, {7, 6, kOpp}},  // a four without a three
        // The engine's column-8 three turns the completion cell (7,8) of the four-three into
        // a double four of its own.
        test::joined(test::kOpponentFourThree, {{8, 8, kOwn}, {9, 8, kOwn}, {10, 8, kOwn}}),
    };
    for (const test::Stones& stones : cases) {
        MaskSetup setup(stones);
        EXPECT_TRUE(allDefend(setup.maskForList()));
        EXPECT_TRUE(allDefend(setup.maskForBoard()));
    }
}

TEST(DefenceMask, FourThreeAdmitsOnlyTheCellsThatMeetIt) {
    MaskSetup setup(test::kOpponentFourThree);
    const DefenceMask mask = setup.maskForBoard();
    std::vector<Cell> admitted;
    for (int c = 0; c < kCellCount; ++c)
        if (mask[c] == kDefends)
            admitted.push_back(static_cast<Cell>(c));
        else
            EXPECT_EQ(mask[c], 0) << c;
    // The four-three cell itself, the four's completion, and the two inner ends of the three;
    // not its outer ends (3,7) and (9,7): the three would stay open on one side.
    EXPECT_EQ(admitted,
              (std::vector<Cell>{makeCell(4, 7), makeCell(7, 7), makeCell(7, 8), makeCell(8, 7)}));
    EXPECT_EQ(setup.maskForList(), mask);
}

TEST(DefenceMask, AgreesWithReplayOnTheBoard) {
    MaskSetup setup(test::kOpponentFourThree);
    ASSERT_TRUE(attackerWinsByFourThree(setup.state.board));
    const DefenceMask mask = setup.maskForBoard();
    for (int c = 0; c < kCellCount; ++c) {
        if (setup.state.board[c] != kEmpty) continue;
        Board board = setup.state.board;
        board[c] = kOwn;
        EXPECT_EQ(mask[c] == kDefends, !attackerWinsByFourThree(board)) << "cell " << c;
    }
}

TEST(DefenceMask, EmptyListExaminesNothing) {
    MaskSetup setup(test::kOpponentFourThree);
    CandidateList empty = setup.frame.list;
    empty.size = empty.count = empty.limit = 0;
    DefenceMask mask;
    mask.fill(3);
    defenceMaskForList(mask, setup.frame.ownThreats, setup.frame.oppThreats, empty);
    EXPECT_TRUE(allDefend(mask));
    // The whole list is examined, whatever its cursor fields say.
    CandidateList cursorAtEnd = setup.frame.list;
    cursorAtEnd.next = cursorAtEnd.count = cursorAtEnd.limit = 0;
    EXPECT_EQ(defenceMaskForList(mask, setup.frame.ownThreats, setup.frame.oppThreats, cursorAtEnd),
              setup.maskForBoard());
}

// The mask of a list is the intersection of the masks of its cells examined one at a time:
// once a cell has dropped to 0 it stays 0.
TEST(DefenceMask, ListMaskIsTheIntersectionOfSingleCellMasks) {
    static EngineState state;
    std::mt19937 random(31);
    int restricted = 0;
    for (int round = 0; round < 150; ++round) {
        loadSearchPosition(state, test::randomRecord(random, 8 + static_cast<int>(random() % 40)));
        test::RootFrame frame(state);
        for (int side = 0; side < 2; ++side) {
            const ThreatTracker& defender = side == 0 ? frame.ownThreats : frame.oppThreats;
            const ThreatTracker& attacker = side == 0 ? frame.oppThreats : frame.ownThreats;
            DefenceMask whole;
            defenceMaskForList(whole, defender, attacker, frame.list);
            DefenceMask expected;
            expected.fill(kDefends);
            for (int i = 0; i < frame.list.size; ++i) {
                CandidateList single = frame.list;
                single.cells[0] = frame.list.cells[i];
                single.size = 1;
                DefenceMask one;
                defenceMaskForList(one, defender, attacker, single);
                for (int c = 0; c < kCellCount; ++c) {
                    ASSERT_TRUE(one[c] == 0 || one[c] == kDefends);
                    if (one[c] == 0) expected[c] = 0;
                }
            }
            EXPECT_EQ(whole, expected) << "round " << round << " side " << side;
            restricted += !allDefend(whole);
        }
    }
    EXPECT_GT(restricted, 10);  // the positions do carry combinations
}

}  // namespace
}  // namespace quoll

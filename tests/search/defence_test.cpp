// Defence masks: which cells still meet every four-three combination the other side could
// start with its next move. Hand-built positions, checked cell by cell against a brute-force
// replay on the board where the two agree by construction.

#include "search/defence.hpp"

#include <gtest/gtest.h>

#include <random>

#include "support/positions.hpp"

namespace quoll {
namespace {

using test::kOpp;
using test::kOwn;

// Trackers of both colours for the loaded position; the opponent attacks, the engine defends.
struct MaskSetup {
    EngineState state;
    test::RootFrame frame;
    explicit MaskSetup(std::initializer_list<test::Stone> stones)
        : state(loaded(stones)), frame(state) {}
    static EngineState loaded(std::initializer_list<test::Stone> stones) {
        EngineState s;
        test::loadStones(s, stones);
        return s;
    }
    DefenceMask maskForList() {
        DefenceMask mask;
        return defenceMaskForList(mask, frame.ownThreats, frame.oppThreats, frame.list);
    }
    DefenceMask maskForBoard() {
        DefenceMask mask;
        return defenceMaskForBoard(mask, frame.ownThreats, frame.oppThreats);
    }
};

bool allDefend(const DefenceMask& mask) {
    for (std::uint8_t m : mask)
        if (m != kDefends) return false;
    return true;
}

// Replays the attacker's four-three on the board: some move makes two fours at once, or makes a
// four whose forced block leaves the attacker a cell with two fours. Trackers rebuilt from
// scratch at every step.
bool attackerWinsByFourThree(Board board) {
    WindowCodes codes{};
    auto attackerTracker = [&](ThreatTracker& tracker, LinkPool& pool) {
        rebuildWindowCodes(board, codes);
        buildThreatTracker<Colour::Opponent>(tracker, board.data(), codes.data(), pool);
    };
    static LinkPool pool;
    ThreatTracker tracker;
    attackerTracker(tracker, pool);
    if (tracker.fourGroupCount > 0) return true;
    std::vector<std::pair<Cell, Cell>> fours;
    for (int y = 0; y < kCellCount; ++y)
        if (isSinglePartner(tracker.fourSlot[y]))
            fours.emplace_back(static_cast<Cell>(y), tracker.fourSlot[y]);
    for (auto [y, block] : fours) {
        board[y] = kOpp;
        board[block] = kOwn;
        ThreatTracker after;
        attackerTracker(after, pool);
        board[y] = board[block] = kEmpty;
        if (after.fourGroupCount > 0) return true;
    }
    return false;
}

// The attacker's closed three on row 7 (blocked at (7,3)) gives the four (7,7)-(7,8); its two
// on column 7 makes (7,7) a four-three.
const std::initializer_list<test::Stone> kFourThree = {{7, 3, kOwn}, {7, 4, kOpp}, {7, 5, kOpp},
                                                       {7, 6, kOpp}, {5, 7, kOpp}, {6, 7, kOpp}};

TEST(DefenceMask, NoAttackerFoursAdmitsEveryCell) {
    MaskSetup setup({{7, 7, kOpp}, {7, 8, kOpp}, {9, 9, kOpp}, {6, 6, kOwn}, {5, 9, kOwn}});
    ASSERT_EQ(std::count_if(setup.frame.oppThreats.fourSlot.begin(),
                            setup.frame.oppThreats.fourSlot.end(),
                            [](std::uint16_t s) { return s != kNoCell; }),
              0);
    EXPECT_TRUE(allDefend(setup.maskForList()));
    EXPECT_TRUE(allDefend(setup.maskForBoard()));
}

TEST(DefenceMask, FourWithoutThreeChangesNothing) {
    MaskSetup setup({{7, 3, kOwn}, {7, 4, kOpp}, {7, 5, kOpp}, {7, 6, kOpp}});
    const ThreatTracker& attacker = setup.frame.oppThreats;
    ASSERT_EQ(attacker.fourSlot[makeCell(7, 7)], makeCell(7, 8));
    ASSERT_EQ(attacker.threeHead[makeCell(7, 7)], kNoLink);
    EXPECT_TRUE(allDefend(setup.maskForList()));
    EXPECT_TRUE(allDefend(setup.maskForBoard()));
}

TEST(DefenceMask, FourThreeAdmitsOnlyTheCellsThatMeetIt) {
    MaskSetup setup(kFourThree);
    const DefenceMask mask = setup.maskForBoard();
    std::vector<Cell> admitted;
    for (int c = 0; c < kCellCount; ++c)
        if (mask[c] == kDefends)
            admitted.push_back(static_cast<Cell>(c));
        else
            EXPECT_EQ(mask[c], 0) << c;
    // The four-three cell itself, the four's completion, and the two inner ends of the three.
    EXPECT_EQ(admitted,
              (std::vector<Cell>{makeCell(4, 7), makeCell(7, 7), makeCell(7, 8), makeCell(8, 7)}));
    // The outer ends of the three do not defend: the three stays open on one side.
    EXPECT_EQ(mask[makeCell(3, 7)], 0);
    EXPECT_EQ(mask[makeCell(9, 7)], 0);
    EXPECT_EQ(setup.maskForList(), mask);
}

TEST(DefenceMask, AgreesWithReplayOnTheBoard) {
    MaskSetup setup(kFourThree);
    ASSERT_TRUE(attackerWinsByFourThree(setup.state.board));
    const DefenceMask mask = setup.maskForBoard();
    for (int c = 0; c < kCellCount; ++c) {
        if (setup.state.board[c] != kEmpty) continue;
        Board board = setup.state.board;
        board[c] = kOwn;
        EXPECT_EQ(mask[c] == kDefends, !attackerWinsByFourThree(board))
            << "cell (" << cellRow(static_cast<Cell>(c)) << "," << cellColumn(static_cast<Cell>(c))
            << ")";
    }
}

TEST(DefenceMask, AnswerThatMakesADoubleFourSkipsTheCombination) {
    // The engine's column-8 three turns the completion cell (7,8) into a double four of its own.
    MaskSetup setup({{7, 3, kOwn},
                     {7, 4, kOpp},
                     {7, 5, kOpp},
                     {7, 6, kOpp},
                     {5, 7, kOpp},
                     {6, 7, kOpp},
                     {8, 8, kOwn},
                     {9, 8, kOwn},
                     {10, 8, kOwn}});
    ASSERT_TRUE(isFourGroup(setup.frame.ownThreats.fourSlot[makeCell(7, 8)]));
    ASSERT_EQ(setup.frame.oppThreats.fourSlot[makeCell(7, 7)], makeCell(7, 8));
    EXPECT_TRUE(allDefend(setup.maskForBoard()));
    EXPECT_TRUE(allDefend(setup.maskForList()));
}

TEST(DefenceMask, EmptyListExaminesNothing) {
    MaskSetup setup(kFourThree);
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

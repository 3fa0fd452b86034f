// Root search: forced moves by rule, the table shortcut, the time budget, and a board left as
// it was found.

#include "search/root.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

#include "platform/clock.hpp"
#include "search/timer.hpp"
#include "support/positions.hpp"
#include "tree/counters.hpp"

namespace quoll {
namespace {

using test::kOpp;
using test::kOwn;

class RootSearch : public ::testing::Test {
protected:
    EngineState& state = test::freshSearchState(1 << 16);
    RootReport report;
    NodeCounters nodesBefore;

    Cell search(const test::Stones& stones, Depth lastDepth = 48) {
        test::loadStones(state, stones);
        return searchAndCheck(lastDepth);
    }
    // Searches the loaded position and checks that board and window codes are as they were.
    Cell searchAndCheck(Depth lastDepth) {
        const Board board = state.board;
        const WindowCodes codes = state.windowCodes;
        nodesBefore = nodeCounters;
        const Cell move = searchRoot(state, &report, lastDepth);
        EXPECT_EQ(state.board, board);
        EXPECT_EQ(state.windowCodes, codes);
        if (move != kNoCell) {
            EXPECT_EQ(board[move], kEmpty);
        }
        return move;
    }
    std::uint64_t treeNodes() const { return nodeCounters.tree - nodesBefore.tree; }
    TTEntry& tableEntry() {
        return tableSlot(state.table,
                         positionKey(state.board, state.firstColour, state.colourToMove));
    }
};

// Positions whose move follows by rule, without a tree search.
TEST_F(RootSearch, ForcedMovesByRule) {
    struct Case {
        const char* rule;
        test::Stones stones;
        Cell move;
    };
    const Case cases[] = {
        // The opponent's four lies in an earlier window than the engine's.
        {"own five before blocking the opponent's",
         {{1, 2, kOpp}, {1, 3, kOpp}, {1, 4, kOpp}, {1, 5, kOpp}, {1, 1, kOwn},
          {10, 3, kOwn}, {10, 4, kOwn}, {10, 5, kOwn}, {10, 6, kOwn}, {10, 2, kOpp}},
         makeCell(10, 7)},
        // Column 0 (window 165, completion cell 60) and row 12 (window 137, completion (12,9)).
        {"two opponent fours: block the lowest window",
         {{0, 0, kOpp}, {1, 0, kOpp}, {2, 0, kOpp}, {3, 0, kOpp}, {12, 5, kOpp}, {12, 6, kOpp},
          {12, 7, kOpp}, {12, 8, kOpp}, {12, 4, kOwn}, {7, 7, kOwn}, {8, 8, kOwn}},
         makeCell(12, 9)},
        // (7,6) would join (7,2)..(7,7) into six; the opponent's four on column 12 is blocked.
        {"a four that would make six is no five",
         {{7, 2, kOwn}, {7, 3, kOwn}, {7, 4, kOwn}, {7, 5, kOwn}, {7, 7, kOwn}, {7, 1, kOpp},
          {3, 12, kOpp}, {4, 12, kOpp}, {5, 12, kOpp}, {6, 12, kOpp}, {2, 12, kOwn},
          {10, 10, kOpp}},
         makeCell(7, 12)},
        // Row 10's group (owner (10,5), cell 155) comes before column 1's (owner (4,1), cell 61)
        // in window order.
        {"own double four: the owner of the first group",
         {{10, 6, kOwn}, {10, 7, kOwn}, {10, 8, kOwn}, {1, 1, kOwn}, {2, 1, kOwn}, {3, 1, kOwn},
          {5, 10, kOpp}, {6, 12, kOpp}, {12, 12, kOpp}},
         makeCell(10, 5)},
        // Four double-four cells; (3,2) and (3,6) answer two groups each, as do (11,8) and
        // (11,12): the lowest cell wins the tie.
        {"unstoppable double fours: the most hit cell", test::kTwoOpenThrees, makeCell(3, 2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(search(c.stones), c.move) << c.rule;
        EXPECT_FALSE(report.searched) << c.rule;
        EXPECT_EQ(treeNodes(), 0u) << c.rule;
    }
}

TEST_F(RootSearch, SingleCandidateLeftIsPlayedWithoutSearch) {
    // (7,8) owns a group of three partners: only it answers the opponent's double four.
    test::loadStones(state, {{7, 5, kOpp}, {7, 6, kOpp}, {7, 7, kOpp}, {7, 3, kOwn},
                             {4, 8, kOpp}, {5, 8, kOpp}, {6, 8, kOpp}, {3, 8, kOwn}});
    // A table entry for the position naming another move is not even looked at.
    const std::uint64_t key = positionKey(state.board, state.firstColour, state.colourToMove);
    tableEntry() = TTEntry{key, 120, 0, 29990, 29990, makeCell(7, 4), 1};
    EXPECT_EQ(searchAndCheck(48), makeCell(7, 8));
    EXPECT_FALSE(report.searched);
    EXPECT_EQ(treeNodes(), 0u);
}

TEST_F(RootSearch, NoAdmissibleMoveFallsBackToTheLargestGain) {
    // Two four-three combinations of the opponent with no common defence.
    test::loadStones(state, test::joined(test::kTwoFourThrees, {{2, 2, kOwn}}));
    GainMap gains;
    const WindowCodes codes = test::codesByDefinition(state.board);
    buildGainMap<Colour::Own>(gains, state.board.data(), codes.data());
    Cell expected = kNoCell;
    for (int c = 0; c < kCellCount; ++c)
        if (state.board[c] == kEmpty &&
            (expected == kNoCell || gains.gain[c] > gains.gain[expected]))
            expected = static_cast<Cell>(c);
    EXPECT_EQ(searchAndCheck(48), expected);
    EXPECT_FALSE(report.searched);

    // An empty board has no candidates at all: the first cell with the most windows.
    EXPECT_EQ(search({}), makeCell(4, 4));
}

TEST_F(RootSearch, FullBoardHasNoMove) {
    GameRecord record;
    for (int c = 0; c < kCellCount; ++c)
        record.board[c] = (cellRow(c) / 2 + cellColumn(c)) % 2 ? kOwn : kOpp;
    record.moves.push_back(0);
    loadSearchPosition(state, record);
    EXPECT_EQ(searchAndCheck(48), kNoCell);
    EXPECT_FALSE(report.searched);
}

// The candidate with the largest own gain, the lowest cell on ties: the root's first move.
Cell firstByStaticGain(const EngineState& state) {
    GainMap gains;
    buildGainMap<Colour::Own>(gains, state.board.data(), state.windowCodes.data());
    const std::set<Cell> candidates = test::candidateSetByDefinition(state.board);
    Cell best = kNoCell;
    for (const Cell cell : candidates)
        if (best == kNoCell || gains.gain[cell] > gains.gain[best]) best = cell;
    return best;
}

TEST_F(RootSearch, ZeroBudgetAnswersWithoutTreeSearch) {
    test::loadStones(state, {{7, 7, kOpp}, {5, 9, kOwn}, {8, 8, kOpp}});
    // Out of time before any move was searched: the root's first candidate, not no move at
    // all, which would forfeit the game.
    const Cell first = firstByStaticGain(state);
    ASSERT_NE(first, kNoCell);
    const std::uint64_t key = positionKey(state.board, state.firstColour, state.colourToMove);
    struct Case {
        TTEntry entry;
        Cell move;
        int searched;  // 1 or 0 when it matters
    };
    const Case cases[] = {
        {TTEntry{}, first, -1},
        // With a table move for the position, that move.
        {TTEntry{key, 48, 0, 12, 12, makeCell(6, 6), 1}, makeCell(6, 6), -1},
        // A proven win is played at once only when it lies within the stored depth; otherwise
        // it is searched first, then cut off by the clock.
        {TTEntry{key, 48, 0, 30000 - 5, 30000 - 5, makeCell(9, 9), 1}, makeCell(9, 9), 1},
        {TTEntry{key, 48, 0, 30000 - 4, 30000 - 4, makeCell(9, 9), 1}, makeCell(9, 9), 0},
        // A table entry of another position is ignored.
        {TTEntry{key ^ (1ULL << 40), 48, 0, 30000 - 4, 30000 - 4, makeCell(9, 9), 1}, first, -1},
    };
    for (const Case& c : cases) {
        tableEntry() = c.entry;
        startSearchTimer(0, monotonicNowNs());
        EXPECT_EQ(searchAndCheck(0), c.move) << "entry move " << c.entry.move;
        if (c.searched >= 0) {
            EXPECT_EQ(report.searched, c.searched == 1) << c.entry.move;
        }
    }
    EXPECT_TRUE(searchTimer.stopFlag);
}

TEST_F(RootSearch, DeepeningLeavesBoardAndCodesAsFound) {
    for (const GameRecord& record : test::benchRecords()) {
        loadSearchPosition(state, record);
        EXPECT_NE(searchAndCheck(60), kNoCell);
    }
    std::mt19937 random(99);
    for (int round = 0; round < 20; ++round) {
        loadSearchPosition(state, test::randomRecord(random, 2 + static_cast<int>(random() % 30)));
        EXPECT_NE(searchAndCheck(48), kNoCell) << "round " << round;
    }
}

TEST_F(RootSearch, SearchesWithoutATable) {
    state.table = TranspositionTable{};
    EXPECT_NE(search({{7, 7, kOpp}, {5, 9, kOwn}, {8, 8, kOpp}}, 60), kNoCell);
    EXPECT_TRUE(report.searched);
    EXPECT_EQ(report.lastCompletedDepth, 60);
}

TEST_F(RootSearch, StoresTheIterationResultForThePosition) {
    test::loadStones(state, {{7, 7, kOpp}, {5, 9, kOwn}, {8, 8, kOpp}});
    const Cell move = searchAndCheck(60);
    ASSERT_TRUE(report.searched);
    EXPECT_EQ(report.lastCompletedDepth, 60);
    const TTEntry& e = tableEntry();
    EXPECT_EQ(e.key, positionKey(state.board, state.firstColour, state.colourToMove));
    EXPECT_EQ(std::make_tuple(e.depth, e.ply, e.kind, e.move, e.lower, e.upper),
              std::make_tuple(60, 0, 1, move, report.bestScore, report.bestScore));
    // The same search again, now with the table move first, plays the same move.
    EXPECT_EQ(searchAndCheck(60), move);
}

}  // namespace
}  // namespace quoll

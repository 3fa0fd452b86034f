// Search preparation: the game record copied into the engine record with fresh window codes.

#include "search/prepare.hpp"

#include <gtest/gtest.h>

#include <random>

#include "support/positions.hpp"

namespace quoll {
namespace {

using test::codesByDefinition;
using test::kOpp;
using test::kOwn;

TEST(LoadSearchPosition, CodesMatchTheBoardWhateverTheyHeldBefore) {
    static EngineState state;
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        // Garbage in the codes and the history from an earlier search.
        for (WindowCode& code : state.windowCodes) code = static_cast<WindowCode>(random() % 324);
        state.history.assign(random() % 30, Cell{3});
        const GameRecord record =
            round == 0 ? GameRecord{} : test::randomRecord(random, static_cast<int>(random() % 40));
        loadSearchPosition(state, record);
        EXPECT_EQ(state.windowCodes, codesByDefinition(record.board)) << "round " << round;
        EXPECT_EQ(state.board, record.board);
        EXPECT_EQ(state.history, record.moves);
        EXPECT_EQ(state.firstColour, record.firstColour);
        EXPECT_EQ(state.colourToMove, record.colourToMove);
    }
}

TEST(LoadSearchPosition, ReplacesTheHistoryAndLeavesTheTable) {
    EngineState state;
    resizeTable(state.table, 16);
    tableSlot(state.table, 5) = TTEntry{5, 24, 1, 10, 10, 40, 1};
    loadSearchPosition(state, test::makeRecord({{7, 7, kOpp}, {7, 8, kOwn}, {8, 8, kOpp}}));
    EXPECT_EQ(state.history, (std::vector<Cell>{112, 113, 128}));
    EXPECT_EQ(tableSlot(state.table, 5).key, 5u);
    EXPECT_EQ(tableSlot(state.table, 5).move, 40);
    // A shorter record replaces the history; it does not append to it.
    loadSearchPosition(state, test::makeRecord({{0, 0, kOpp}}));
    EXPECT_EQ(state.history, (std::vector<Cell>{0}));
    EXPECT_EQ(state.board[112], kEmpty);
}

}  // namespace
}  // namespace quoll

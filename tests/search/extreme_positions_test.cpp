// Dense boards, boards crowded with threes and the positions of whole self-played games: every
// search returns a legal move, no tracker capacity runs out, and the deepest stack keeps a wide
// margin under the platform's default.

#include <gtest/gtest.h>

#include "board/threats.hpp"
#include "platform/clock.hpp"
#include "platform/stack.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/stress_positions.hpp"
#include "search/timer.hpp"

namespace quoll {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kStackLimit = kDefaultStackBytes;  // sanitizer frames are much larger
#else
constexpr std::size_t kStackLimit = kDefaultStackBytes / 4;  // a safety factor of four
#endif

EngineState& sharedState() {
    static EngineState state;
    if (state.table.size == 0) resizeTable(state.table, std::uint64_t{1} << 16);
    return state;
}

// Searches on a thread whose stack is a quarter of the default; returns the move.
Cell searchOnSmallStack(const GameRecord& record, int budgetMs, std::size_t& stackUsed) {
    EngineState& state = sharedState();
    loadSearchPosition(state, record);
    Cell move = kNoCell;
    const StackRun run = runWithMeasuredStack(kStackLimit, [&] {
        startSearchTimer(budgetMs, monotonicNowNs());
        move = searchRoot(state);
    });
    EXPECT_TRUE(run.started);
    stackUsed = run.bytesUsed;
    // The search leaves the board and codes as it found them.
    EXPECT_EQ(state.board, record.board);
    WindowCodes fresh;
    rebuildWindowCodes(state.board, fresh);
    EXPECT_EQ(state.windowCodes, fresh);
    return move;
}

void expectLegal(const GameRecord& record, Cell move) {
    ASSERT_LT(move, kCellCount);
    EXPECT_EQ(record.board[move], kEmpty);
}

TEST(ExtremePositions, DenseAndThreatCrowdedBoardsGetLegalMoves) {
    trackerUsage = TrackerUsage{};
    for (int seed = 0; seed < 6; ++seed) {
        for (const GameRecord& record :
             {randomDensePosition(100 + seed, 151 + 10 * seed), randomThreatPosition(200 + seed, 41 + 20 * seed),
              randomDensePosition(300 + seed, 221)}) {
            if (record.colourToMove != kOwnStone) continue;
            std::size_t stack = 0;
            const Cell move = searchOnSmallStack(record, 30, stack);
            if (record.moves.size() < kCellCount) expectLegal(record, move);
            EXPECT_LT(stack, kStackLimit);
        }
    }
    EXPECT_EQ(trackerUsage.droppedFacts, 0);
    EXPECT_LT(trackerUsage.maxLinkCount, kLinkPoolSize / 4);
    EXPECT_LT(trackerUsage.maxFourGroups, kMaxFourGroups);
}

TEST(ExtremePositions, SelfPlayedGamesStayWithinCapacities) {
    trackerUsage = TrackerUsage{};
    static EngineState playState;
    resizeTable(playState.table, std::uint64_t{1} << 14);
    std::size_t deepest = 0;
    int searched = 0;
    for (int seed = 0; seed < 3; ++seed) {
        // Fixed depth: the same games on every machine.
        const auto game = selfPlayPositions(playState, 40 + seed, 90, -4);
        ASSERT_FALSE(game.empty());
        for (std::size_t i = 0; i < game.size(); i += 3) {
            std::size_t stack = 0;
            const Cell move = searchOnSmallStack(game[i], 40, stack);
            expectLegal(game[i], move);
            deepest = std::max(deepest, stack);
            ++searched;
        }
    }
    EXPECT_GT(searched, 10);
    EXPECT_LT(deepest, kStackLimit);
    EXPECT_EQ(trackerUsage.droppedFacts, 0);
    EXPECT_LT(trackerUsage.maxLinkCount, kLinkPoolSize / 4);
}

// A full board without a five: runs of at most two along every line.
GameRecord fullBoard() {
    GameRecord record;
    for (int row = 0; row < kBoardSize; ++row)
        for (int column = 0; column < kBoardSize; ++column) {
            const Cell cell = makeCell(row, column);
            record.board[cell] = (column + 2 * row) % 4 < 2 ? kOwnStone : kOpponentStone;
            record.moves.push_back(cell);
        }
    record.firstColour = kOpponentStone;
    record.colourToMove = kOwnStone;
    return record;
}

TEST(ExtremePositions, FullAndNearlyFullBoards) {
    GameRecord full = fullBoard();
    for (Cell cell : full.moves) ASSERT_FALSE(makesFiveOrMore(full.board, cell));
    std::size_t stack = 0;
    EXPECT_EQ(searchOnSmallStack(full, 20, stack), kNoCell);
    // With a few cells left, the answer is one of them.
    for (const Cell emptied : {Cell{0}, Cell{112}, Cell{224}, Cell{37}}) {
        GameRecord record = full;
        record.board[emptied] = kEmpty;
        std::erase(record.moves, emptied);
        expectLegal(record, searchOnSmallStack(record, 20, stack));
        record.board[makeCell(7, 3)] = kEmpty;
        std::erase(record.moves, makeCell(7, 3));
        expectLegal(record, searchOnSmallStack(record, 20, stack));
    }
}

}  // namespace
}  // namespace quoll

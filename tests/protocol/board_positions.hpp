#pragma once
// Positions for end-to-end tests, sent to the built engine as BOARD blocks and judged by the
// referee's rules (tools/referee.hpp), never by the engine's code.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/engine_client.hpp"
#include "tools/referee.hpp"

namespace quoll::test {

using tools::kCells;
using tools::kSide;
using tools::Stones;

// Stone values of a BOARD row: the engine's own stones and its opponent's.
inline constexpr std::uint8_t kEngineStone = 1;
inline constexpr std::uint8_t kOpponentStone = 2;

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizerBuild = true;
#else
inline constexpr bool kSanitizerBuild = false;
#endif

inline int stoneCount(const Stones& board, std::uint8_t stone) {
    int count = 0;
    for (const std::uint8_t s : board) count += s == stone;
    return count;
}

inline int cellAt(int x, int y) {
    return y * kSide + x;
}

// Starts the engine with a small table, the given move budget and plenty of match time.
inline void startEngine(EngineClient& engine, int timeoutTurnMs) {
    ASSERT_TRUE(engine.startEngine());
    engine.sendLine("INFO MAX_MEMORY 1000000");
    engine.sendLine("INFO TIME_LEFT 10000000");
    engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(timeoutTurnMs));
    engine.sendLine("START 15");
    ASSERT_TRUE(engine.expectLine("OK"));
}

// Sends the position as a BOARD block, every stone with its player, all but the closing DONE;
// the engine must be to move (as many stones as the opponent, or one fewer).
inline void sendBoardRows(EngineClient& engine, const Stones& board) {
    const int own = stoneCount(board, kEngineStone);
    const int theirs = stoneCount(board, kOpponentStone);
    EXPECT_TRUE(own == theirs || own + 1 == theirs) << own << " against " << theirs;
    engine.sendLine("BOARD");
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] != tools::kNone)
            engine.sendLine(tools::moveText(cell) + "," + std::to_string(board[cell]));
}

// The engine's move for the position, or -1 (with a test failure) when the reply is no move on
// an empty cell.
inline int engineMoveFor(EngineClient& engine, const Stones& board) {
    sendBoardRows(engine, board);
    engine.sendLine("DONE");
    const std::optional<std::string> line = engine.readLine();
    if (!line) {
        ADD_FAILURE() << "no reply";
        return -1;
    }
    const std::optional<int> cell = tools::parseMoveReply(*line);
    if (!cell || board[*cell] != tools::kNone) {
        ADD_FAILURE() << "not a move on an empty cell: \"" << *line << "\"";
        return -1;
    }
    return *cell;
}

inline int fiveCountAfter(Stones board, int cell, std::uint8_t stone) {
    board[cell] = stone;
    return static_cast<int>(tools::fiveCells(board, stone).size());
}

// Cells on which `stone` would have two cells that complete a five at once: a double four, or
// an open four made from a three.
inline std::vector<int> doubleFourCells(const Stones& board, std::uint8_t stone) {
    std::vector<int> cells;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == tools::kNone && fiveCountAfter(board, cell, stone) >= 2)
            cells.push_back(cell);
    return cells;
}

// A random position of `stones` stones near the centre, the opponent's last, with no five, no
// cell that completes one and none that makes two at once, for either side: no rule answers it
// without a search.
inline Stones randomQuietPosition(std::mt19937_64& random, int stones) {
    for (;;) {
        Stones board{};
        std::uniform_int_distribution<int> coordinate(3, 11);
        for (int placed = 0; placed < stones;) {
            const int cell = cellAt(coordinate(random), coordinate(random));
            if (board[cell] != tools::kNone) continue;
            // Counted back from the last stone, which is the opponent's.
            board[cell] = (stones - 1 - placed) % 2 == 0 ? kOpponentStone : kEngineStone;
            ++placed;
        }
        if (tools::fiveCells(board, kEngineStone).empty() &&
            tools::fiveCells(board, kOpponentStone).empty() &&
            !tools::hasExactFive(board, kEngineStone) &&
            !tools::hasExactFive(board, kOpponentStone) &&
            doubleFourCells(board, kEngineStone).empty() &&
            doubleFourCells(board, kOpponentStone).empty())
            return board;
    }
}

}  // namespace quoll::test

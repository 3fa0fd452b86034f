#pragma once
// The built engine as a child process (the tools' process client), with checks that report to
// the test, and positions sent as BOARD blocks. Positions are judged by the referee's rules
// (tools/manager/referee.hpp), never by the engine's code.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "testkit/detail_line.hpp"
#include "testkit/stress_positions.hpp"
#include "tools/manager/engine_process.hpp"
#include "tools/manager/referee.hpp"

namespace quoll::test {

using tools::kCells;
using tools::kNone;
using tools::kSide;
using tools::Stones;

// Stone values of a BOARD row: the engine's own stones and its opponent's.
inline constexpr std::uint8_t X = 1;
inline constexpr std::uint8_t O = 2;

// The engine under test: the build's own, or a Windows .exe that Wine runs.
inline constexpr bool kWindowsEngine = tools::EngineProcess::isWindowsProgram(QUOLL_ENGINE_PATH);

inline int cellAt(int x, int y) { return y * kSide + x; }

inline int stoneCount(const Stones& board, std::uint8_t stone) {
    return static_cast<int>(std::count(board.begin(), board.end(), stone));
}

struct EngineClient : tools::EngineProcess {
    // Starts the engine; `programName` is the first argument it sees (its own path when empty).
    bool startEngine(const std::string& programName = "") {
        return startBrain(QUOLL_ENGINE_PATH, programName);
    }

    // The next line must be exactly `expected`.
    ::testing::AssertionResult expectLine(const std::string& expected) {
        const std::optional<std::string> line = readLine();
        if (line == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "got \"" << line.value_or("(no line)") << "\", expected \"" << expected << "\"";
    }

    ::testing::AssertionResult answers(const std::string& line, const std::string& expected) {
        sendLine(line);
        return expectLine(expected) << " after \"" << line.substr(0, 60) << "\"";
    }

    // No more output and a clean exit, after END or the end of input.
    void expectCleanExit() {
        EXPECT_TRUE(expectEndOfOutput());
        EXPECT_EQ(waitExit(), 0);
        EXPECT_EQ(repliesWithoutCarriageReturn(), 0) << "reply lines must be Windows text lines";
    }

    void endSession() {
        sendLine("END");
        expectCleanExit();
    }
};

// Starts the engine with a small table, the given move budget and plenty of match time.
inline void startEngine(EngineClient& engine, int timeoutTurnMs) {
    ASSERT_TRUE(engine.startEngine());
    engine.sendLine("INFO MAX_MEMORY 1000000");
    engine.sendLine("INFO TIME_LEFT 10000000");
    engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(timeoutTurnMs));
    ASSERT_TRUE(engine.answers("START 15", "OK"));
}

// Sends the position as a BOARD block up to its DONE; the engine is to move.
inline void sendBoard(EngineClient& engine, const Stones& board) {
    engine.sendLine("BOARD");
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] != kNone)
            engine.sendLine(tools::moveText(cell) + "," + std::to_string(board[cell]));
    engine.sendLine("DONE");
}

// The line as a move on an empty cell, or -1 (with a test failure) when it is none.
inline int moveOn(const Stones& board, const std::optional<std::string>& line) {
    const std::optional<int> cell = line ? tools::parseMoveReply(*line) : std::nullopt;
    if (cell && board[*cell] == kNone) return *cell;
    ADD_FAILURE() << "not a move on an empty cell: \"" << line.value_or("(no line)") << "\"";
    return -1;
}

inline int replyMove(EngineClient& engine, const Stones& board) {
    return moveOn(board, engine.readLine());
}

// One move request's replies with SHOW_DETAIL on: the detail lines, then the move.
struct Reply {
    std::vector<DetailLine> details;
    int move = -1;
};

inline Reply readReply(EngineClient& engine, const Stones& board) {
    Reply reply;
    while (reply.details.size() < 300) {
        const std::optional<std::string> line = engine.readLine();
        if (!line || !line->starts_with("MESSAGE ")) {
            reply.move = moveOn(board, line);
            return reply;
        }
        const std::optional<DetailLine> detail = parseDetailLine(*line);
        if (!detail) {
            ADD_FAILURE() << "not a detail line: \"" << *line << "\"";
            return reply;
        }
        reply.details.push_back(*detail);
    }
    ADD_FAILURE() << "no move after 300 lines";
    return reply;
}

inline bool among(const std::vector<int>& cells, int cell) {
    return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

inline int fiveCountAfter(Stones board, int cell, std::uint8_t stone) {
    board[cell] = stone;
    return static_cast<int>(tools::fiveCells(board, stone).size());
}

// Cells on which `stone` would have two cells completing a five at once.
inline std::vector<int> doubleFourCells(const Stones& board, std::uint8_t stone) {
    std::vector<int> cells;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == kNone && fiveCountAfter(board, cell, stone) >= 2) cells.push_back(cell);
    return cells;
}

// A random position of `stones` stones, the opponent's last, where no rule answers without a
// search: no four anywhere (the tests' kit places them).
inline Stones randomQuietPosition(std::mt19937_64& random, int stones) {
    const GameRecord record = randomDensePosition(random(), stones);
    Stones board{};
    std::copy(record.board.begin(), record.board.end(), board.begin());  // X and O as the engine's
    return board;
}

// `length` stones of one colour from (x, y) on, a step of (dx, dy) apart.
struct StoneRun {
    std::uint8_t stone;
    int x, y, dx = 0, dy = 0, length = 1;
};

// The runs, then single stones far from every other stone until the engine is to move.
inline Stones position(const std::vector<StoneRun>& runs) {
    Stones board{};
    for (const StoneRun& run : runs)
        for (int i = 0; i < run.length; ++i)
            board[cellAt(run.x + i * run.dx, run.y + i * run.dy)] = run.stone;
    for (int cell = 0; cell < kCells; ++cell) {
        const int own = stoneCount(board, X), theirs = stoneCount(board, O);
        if (own == theirs || own + 1 == theirs) break;
        if (!tools::nearStones(board, cell, 2)) board[cell] = own > theirs ? O : X;
    }
    return board;
}

}  // namespace quoll::test

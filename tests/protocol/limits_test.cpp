// Inside the manager's limits: one answer per BOARD block whatever its bad rows, the memory
// limit held by the whole process, a number too large for its setting.

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "client.hpp"
#include "platform/clock.hpp"
#include "protocol/dispatcher.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/logging.hpp"
#include "protocol/settings.hpp"
#include "protocol/start.hpp"
#include "protocol/think.hpp"
#include "testkit/captured_io.hpp"

namespace quoll::test {
namespace {

using tools::moveText;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif

std::string runLines(ProtocolState& state, std::string_view input) {
    switchLoggingOff();
    CapturedIo io(input);
    while (state.mode != ProtocolMode::Terminating && io.inputLeft()) handleCommand(state);
    return io.output();
}

// Settings at their defaults and no table, as at start-up.
void resetProcessRecords() {
    gameSettings = GameSettings{};
    engineState.table = TranspositionTable{};
}

// Rows of a position, every one with its player: (x, y, player).
using Rows = std::vector<std::tuple<int, int, int>>;

Stones boardOf(const Rows& rows) {
    Stones board{};
    for (const auto& [x, y, player] : rows) board[cellAt(x, y)] = static_cast<std::uint8_t>(player);
    return board;
}

// An open four of the engine on row 7 (fives at 4,7 and 9,7), and a four of the opponent on row
// 5 whose only five is at 7,5. The bad row names that five cell, or is bad some other way.
const Rows kOwnFour = {{5, 7, 1}, {2, 2, 2},  {6, 7, 1}, {12, 2, 2},
                       {7, 7, 1}, {2, 12, 2}, {8, 7, 1}, {12, 12, 2}};
const Rows kTheirFour = {{3, 5, 2}, {2, 5, 1},  {4, 5, 2}, {10, 10, 1},
                         {5, 5, 2}, {12, 1, 1}, {6, 5, 2}, {1, 12, 1}};

// A block with one bad row first, in the middle or last: the row's error, then one move for
// the accepted rows, never on a cell the block names, a five or the block when one is left; and
// no line after it.
TEST(BoardBlockWithABadRow, OneSoundAnswerForTheAcceptedRows) {
    EngineClient engine;
    startEngine(engine, 100);
    const std::string kRowError = "ERROR Invalid coordinates or player";
    for (const auto& [rows, target] :
         {std::pair{kOwnFour, cellAt(4, 7)}, std::pair{kTheirFour, cellAt(7, 5)}}) {
        const Stones board = boardOf(rows);
        const bool ownFour = &rows == &kOwnFour;
        const std::string first = moveText(cellAt(std::get<0>(rows[0]), std::get<1>(rows[0])));
        // The bad row, its error, whether it makes `target` unavailable, and whether it repeats
        // the first row (so it cannot come first).
        const std::vector<std::tuple<std::string, std::string, bool, bool>> badRows = {
            {moveText(target) + ",3", kRowError, true, false},
            {moveText(target) + ",0", kRowError, true, false},
            {first + ",1", kRowError, false, true},
            {"15,7,1", kRowError, false, false},
            {"7;7", "ERROR Invalid syntax", false, false}};
        for (const auto& [bad, error, hides, repeats] : badRows) {
            for (const std::size_t at : {std::size_t{0}, rows.size() / 2, rows.size()}) {
                if (at == 0 && repeats) continue;
                SCOPED_TRACE(bad + " before row " + std::to_string(at));
                std::string block = "BOARD\n";
                for (std::size_t i = 0; i <= rows.size(); ++i) {
                    if (i == at) block += bad + "\n";
                    if (i == rows.size()) break;
                    const auto& [x, y, player] = rows[i];
                    block += moveText(cellAt(x, y)) + "," + std::to_string(player) + "\n";
                }
                ASSERT_TRUE(engine.sendRaw(block + "DONE\n"));
                ASSERT_TRUE(engine.expectLine(error));
                const int move = replyMove(engine, board);
                ASSERT_GE(move, 0);
                EXPECT_TRUE(!hides || move != target) << moveText(move);
                std::vector<int> forced =
                    ownFour ? tools::fiveCells(board, X) : std::vector<int>{target};
                if (hides) std::erase(forced, target);
                EXPECT_TRUE(forced.empty() || among(forced, move)) << moveText(move);
                ASSERT_TRUE(engine.answers("PROBE", "ERROR Unknown command \"PROBE\""));
            }
        }
    }
    // A bad row alone: the centre it names is no answer either.
    ASSERT_TRUE(engine.sendRaw("BOARD\n7,7,3\nDONE\n"));
    ASSERT_TRUE(engine.expectLine(kRowError));
    EXPECT_NE(replyMove(engine, Stones{}), cellAt(7, 7));
    engine.endSession();
}

// Peak resident memory of the whole engine after searches, with the limit sent before START
// and, as managers do, after it.
long peakResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

TEST(MemoryLimit, PeakResidentMemoryStaysWithinItFromTheFirstGame) {
    if (kSanitizerBuild || kWindowsEngine)
        GTEST_SKIP() << "the sanitizers and Wine take memory of their own";
    std::mt19937_64 random(11);
    for (const long limitMiB : {8, 16, 64}) {
        for (const bool beforeStart : {true, false}) {
            SCOPED_TRACE(std::to_string(limitMiB) + " MiB sent " +
                         (beforeStart ? "before" : "after") + " START");
            EngineClient engine;
            ASSERT_TRUE(engine.startEngine());
            const std::string limit = "INFO MAX_MEMORY " + std::to_string(limitMiB << 20);
            if (beforeStart) engine.sendLine(limit);
            ASSERT_TRUE(engine.answers("START 15", "OK"));
            if (!beforeStart) engine.sendLine(limit);
            engine.sendLine("INFO TIMEOUT_TURN 300");
            Stones board = randomQuietPosition(random, 9);
            for (int turn = 0; turn < 6; ++turn) {
                sendBoard(engine, board);
                const int move = replyMove(engine, board);
                ASSERT_GE(move, 0);
                board[move] = X;
                if (tools::makesExactFive(board, move, X)) break;
                board = randomQuietPosition(random, 9 + 2 * turn);  // a new position each time
            }
            const long peakKb = peakResidentKb(engine.pid());
            EXPECT_LE(peakKb, limitMiB << 10);
            // The table takes what the limit leaves, not some fixed small size (a quarter of the
            // limit at least: short searches touch only part of a large table).
            EXPECT_GE(peakKb, limitMiB << 8);
            engine.endSession();
        }
    }
}

// A new limit takes effect at the next START or move request, whichever comes first.
TEST(MemoryLimit, TakesEffectBeforeTheNextSearch) {
    const std::string bytes = std::to_string(kRestOfProcessBytes + 24 * 1024) + "\n";
    for (const std::string request :
         {"BEGIN\n", "TURN 7,7\n", "BOARD\n7,7,2\nDONE\n", "START 15\n"}) {
        // HASH_SIZE is another name for the same limit.
        const std::string limit =
            (request == "BEGIN\n" ? "INFO HASH_SIZE " : "INFO MAX_MEMORY ") + bytes;
        resetProcessRecords();
        gameSettings.timeoutTurn = 10;
        ProtocolState state;
        ASSERT_EQ(runLines(state, "START 15\n" + limit), "OK\n");
        EXPECT_EQ(engineState.table.size, std::uint64_t{1} << 23) << "INFO alone sizes nothing";
        runLines(state, request);
        EXPECT_EQ(engineState.table.size, 1024u) << request;
        runLines(state, "INFO MAX_MEMORY 0\nSTART 15\n");
        EXPECT_EQ(engineState.table.size, std::uint64_t{1} << 23) << "0 is no limit";
    }
    // A limit too large for its setting is the largest it holds. (The time keys' bounds are in
    // the deadline table of tests/clock/.)
    applyInfo("MAX_MEMORY", "99999999999999999999");
    EXPECT_EQ(gameSettings.maxMemory, std::uint64_t{INT64_MAX});
    resetProcessRecords();
}

// Unavailable cells are never the answer; with none left the answer is the error for no move.
TEST(UnavailableCells, TheRootPlaysAroundThemOrAnswersTheNoMoveError) {
    resetProcessRecords();
    gameSettings.timeoutTurn = 20;
    ProtocolState state;
    ASSERT_EQ(runLines(state, "INFO MAX_MEMORY 1\nSTART 15\n"), "OK\n");
    for (const GameRecord& position : {randomDensePosition(5, 200), GameRecord{}}) {
        for (const bool oneLeft : {true, false}) {
            state.record = position;
            int left = -1;
            for (int c = kCellCount - 1; c >= 0; --c) {
                if (position.board[c] != kEmpty) continue;
                state.record.unavailable[c] = !(oneLeft && left < 0);
                if (!state.record.unavailable[c]) left = c;
            }
            CapturedIo io("");
            thinkAndReply(state, monotonicNowNs());
            EXPECT_EQ(io.output(), oneLeft ? moveText(left) + "\n" : "ERROR Invalid coordinates\n")
                << position.moves.size() << " stones";
        }
    }
    resetProcessRecords();
}

}  // namespace
}  // namespace quoll::test

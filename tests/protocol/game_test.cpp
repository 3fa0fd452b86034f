// Whole games of the built engine against scripted opponents, judged by the referee from the
// test's own record: every reply a move on an empty cell, a five completed whenever the engine
// has one, the opponent's five blocked otherwise, and the game won by an exact five.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "client.hpp"

namespace quoll::test {
namespace {

using tools::fiveCells;
using tools::moveText;

// The longest run of `stone` that a stone on the cell would make.
int bestLine(const Stones& board, int cell, std::uint8_t stone) {
    int best = 0;
    for (int line = 0; line < 4; ++line)
        best = std::max(best, tools::runThrough(board, cell, stone, line));
    return best;
}

// The scripted opponent completes its own five. Otherwise the random one plays any cell near
// the stones; the blocker blocks the engine's fives, then its double fours, and otherwise
// extends its own longest line or cuts the engine's, whichever is longer.
int opponentMove(bool blocker, const Stones& board, std::mt19937_64& random) {
    std::vector<int> near, threats;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == kNone && tools::nearStones(board, cell, 2)) near.push_back(cell);
    const auto pick = [&](const std::vector<int>& cells) { return cells[random() % cells.size()]; };
    if (const auto own = fiveCells(board, O); !own.empty()) return own.front();
    if (!blocker) return pick(near);
    if (const auto theirs = fiveCells(board, X); !theirs.empty()) return pick(theirs);
    for (const int cell : near)
        if (fiveCountAfter(board, cell, X) >= 2) threats.push_back(cell);
    if (!threats.empty()) return pick(threats);
    int best = near.front(), bestScore = -1;
    for (const int cell : near) {
        const int score =
            std::max(bestLine(board, cell, O) * 2 + 1, bestLine(board, cell, X) * 2) * 16 +
            static_cast<int>(random() % 16);
        if (score > bestScore) bestScore = score, best = cell;
    }
    return best;
}

// Plays one game from START on, opened by BEGIN, a TURN or a BOARD block; true when the engine
// wins by an exact five. Every fault is reported with the game so far.
bool playGame(EngineClient& engine, int opening, bool blocker, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    if (!engine.answers("START 15", "OK")) return false;
    Stones board{};
    std::string request = "BEGIN", game;
    if (opening == 1) {
        const int cell =
            cellAt(4 + static_cast<int>(random() % 7), 4 + static_cast<int>(random() % 7));
        board[cell] = O;
        request = "TURN " + moveText(cell);
    } else if (opening == 2) {
        board = randomQuietPosition(random, 1 + static_cast<int>(random() % 7));
        sendBoard(engine, board);
        request = "";
    }
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] != kNone) game += moveText(cell) + " ";
    while (!tools::isFull(board)) {
        const std::vector<int> ownFives = fiveCells(board, X), theirFives = fiveCells(board, O);
        if (!request.empty()) engine.sendLine(request);
        const int cell = replyMove(engine, board);
        if (cell < 0) return false;
        EXPECT_TRUE(request != "BEGIN" || cell == cellAt(7, 7)) << "the first move is the centre";
        EXPECT_TRUE(ownFives.empty() ? theirFives.empty() || among(theirFives, cell)
                                     : among(ownFives, cell))
            << moveText(cell) << " neither completes nor blocks a five; game: " << game;
        board[cell] = X;
        game += moveText(cell) + " ";
        if (tools::makesExactFive(board, cell, X)) return true;
        if (tools::isFull(board)) break;
        const int answer = opponentMove(blocker, board, random);
        board[answer] = O;
        game += moveText(answer) + " ";
        if (tools::makesExactFive(board, answer, O)) {
            ADD_FAILURE() << "the scripted opponent won; game: " << game;
            return false;
        }
        request = "TURN " + moveText(answer);
    }
    ADD_FAILURE() << "board full without a five; game: " << game;
    return false;
}

TEST(EngineGames, BeatsRandomAndBlockingOpponentsFromEveryKindOfOpening) {
    std::uint64_t seed = 11;
    for (const bool blocker : {false, true, true}) {
        EngineClient engine;
        startEngine(engine, 50);
        for (int round = 0; round < 2; ++round)
            for (const int opening : {2, 0, 1}) {
                EXPECT_TRUE(playGame(engine, opening, blocker, seed)) << "seed " << seed;
                ++seed;
            }
        engine.endSession();
    }
}

// Nanoseconds the thread has waited for a CPU so far (its run-queue wait); 0 when unknown.
std::int64_t runQueueWaitNs(const std::string& schedstat) {
    std::ifstream file(schedstat);
    std::int64_t running = 0, waiting = 0;
    return file >> running >> waiting ? waiting : 0;
}

// A guard against a plainly broken deadline, not a measure of noise: TURNs at a 50 ms limit and
// with no time to search (no turn time, or under 20 ms of match time: answered at once), each
// reply timed as a manager times it, from the write of the command to the read of the reply. A
// reply may be at most 10 ms late beyond the time the engine, or this thread reading it, waited
// for a CPU that another process held (a loaded machine, not the engine). The reserve's
// arithmetic is proved on the fake clock in tests/clock/.
TEST(EngineGames, RepliesComeInTime) {
    using Milliseconds = std::chrono::duration<double, std::milli>;
    struct Limit {
        int timeoutTurnMs, timeLeftMs, budgetMs, replies;
    };
    for (const auto& [timeoutTurnMs, timeLeftMs, budgetMs, replies] :
         {Limit{50, 10000000, 50, 40}, {0, 10000000, 0, 10}, {5000, 19, 0, 10}}) {
        EngineClient engine;
        startEngine(engine, timeoutTurnMs);
        engine.sendLine("INFO TIME_LEFT " + std::to_string(timeLeftMs));
        const std::string engineWait = "/proc/" + std::to_string(engine.pid()) + "/schedstat";
        const auto waitedNs = [&] {
            return runQueueWaitNs(engineWait) + runQueueWaitNs("/proc/self/schedstat");
        };
        std::mt19937_64 random(7);
        Milliseconds worst{-1000}, worstUnwaited{-1000};
        for (int replied = 0; replied < replies;) {
            ASSERT_TRUE(engine.answers("START 15", "OK"));
            Stones board{};
            for (int turn = 0; turn < 15; ++turn) {
                int opponent;
                do opponent = static_cast<int>(random() % kCells);
                while (board[opponent] != kNone ||
                       (turn > 0 && !tools::nearStones(board, opponent, 1)));
                board[opponent] = O;
                if (tools::makesExactFive(board, opponent, O)) break;
                const std::int64_t waitBefore = waitedNs();
                const tools::EngineReply reply =
                    tools::requestReply(engine, "TURN " + moveText(opponent), 30000);
                const Milliseconds waited = std::chrono::nanoseconds(waitedNs() - waitBefore);
                ASSERT_TRUE(reply.line.has_value());
                const std::optional<int> move = tools::parseMoveReply(*reply.line);
                ASSERT_TRUE(move && board[*move] == kNone) << *reply.line;
                const Milliseconds late = Milliseconds(reply.elapsedMs - budgetMs);
                EXPECT_LT((late - waited).count(), 10.0)
                    << "reply " << replied << " at " << budgetMs << " ms: " << late.count()
                    << " ms late, " << waited.count() << " ms of it waiting for a CPU";
                worst = std::max(worst, late);
                worstUnwaited = std::max(worstUnwaited, late - waited);
                ++replied;
                board[*move] = X;
                if (tools::makesExactFive(board, *move, X)) break;
            }
        }
        std::printf(
            "worst reply against the %d ms limit: %+.2f ms; less the wait for a CPU: %+.2f ms\n",
            budgetMs, worst.count(), worstUnwaited.count());
        engine.endSession();
    }
}

}  // namespace
}  // namespace quoll::test

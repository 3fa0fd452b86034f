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
    for (int line = 0; line < 4; ++line) best = std::max(best, tools::runThrough(board, cell, stone, line));
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
        const int score = std::max(bestLine(board, cell, O) * 2 + 1, bestLine(board, cell, X) * 2) * 16 +
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
        const int cell = cellAt(4 + static_cast<int>(random() % 7), 4 + static_cast<int>(random() % 7));
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
        EXPECT_TRUE(ownFives.empty() ? theirFives.empty() || among(theirFives, cell) : among(ownFives, cell))
            << moveText(cell) << " neither completes nor blocks a five; game: " << game;
        board[cell] = X;
        game += moveText(cell) + " ";
        if (tools::makesExactFive(board, cell, X)) {
            std::printf("engine won: %s\n", game.c_str());
            return true;
        }
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

// With no time to search (no turn time, or under 20 ms of match time), an open position still
// gets a move at once, the same whether it came as TURN moves or as one BOARD block.
TEST(EngineGames, ZeroBudgetAnswersTheSameToTurnsAndToABoard) {
    EngineClient engine;
    startEngine(engine, 0);
    std::mt19937_64 random(5);
    for (int i = 0; i < 4; ++i) {
        engine.sendLine(i % 2 ? "INFO TIMEOUT_TURN 5000" : "INFO TIMEOUT_TURN 0");
        engine.sendLine(i % 2 ? "INFO TIME_LEFT 19" : "INFO TIME_LEFT 10000000");
        ASSERT_TRUE(engine.answers("START 15", "OK"));
        Stones board{};
        std::vector<int> moves;
        for (int turn = 0; turn < 3 + i; ++turn) {
            int opponent;
            do opponent = cellAt(4 + static_cast<int>(random() % 7), 4 + static_cast<int>(random() % 7));
            while (board[opponent] != kNone);
            board[opponent] = O;
            const auto start = std::chrono::steady_clock::now();
            engine.sendLine("TURN " + moveText(opponent));
            const int reply = replyMove(engine, board);
            ASSERT_GE(reply, 0);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "no budget";
            board[reply] = X;
            moves.push_back(reply);
        }
        board[moves.back()] = kNone;  // the last answer is asked again from a BOARD block
        ASSERT_TRUE(engine.answers("START 15", "OK"));
        sendBoard(engine, board);
        EXPECT_EQ(replyMove(engine, board), moves.back()) << "position " << i;
    }
    engine.endSession();
}

// Nanoseconds the thread has waited for a CPU so far (its run-queue wait); 0 when unknown.
std::int64_t runQueueWaitNs(const std::string& schedstat) {
    std::ifstream file(schedstat);
    std::int64_t running = 0, waiting = 0;
    return file >> running >> waiting ? waiting : 0;
}

// A guard against a plainly broken deadline, not a measure of noise: TURNs at a 50 ms limit,
// each reply timed as a manager times it, from the write of the command to the read of the
// reply. A reply may be at most 10 ms late beyond the time the engine, or this thread reading
// it, waited for a CPU that another process held (a loaded machine, not the engine). The
// reserve's arithmetic is proved on the fake clock in tests/clock/.
TEST(EngineGames, RepliesAtA50MsLimitComeInTime) {
    using Milliseconds = std::chrono::duration<double, std::milli>;
    EngineClient engine;
    startEngine(engine, 50);
    const std::string engineWait = "/proc/" + std::to_string(engine.pid()) + "/schedstat";
    const auto waitedNs = [&] { return runQueueWaitNs(engineWait) + runQueueWaitNs("/proc/self/schedstat"); };
    std::mt19937_64 random(7);
    Milliseconds worst{-1000}, worstUnwaited{-1000};
    int replies = 0;
    while (replies < 40) {
        ASSERT_TRUE(engine.answers("START 15", "OK"));
        Stones board{};
        for (int turn = 0; turn < 15; ++turn) {
            int opponent;
            do opponent = static_cast<int>(random() % kCells);
            while (board[opponent] != kNone || (turn > 0 && !tools::nearStones(board, opponent, 1)));
            board[opponent] = O;
            if (tools::makesExactFive(board, opponent, O)) break;
            const std::int64_t waitBefore = waitedNs();
            const auto reply = engine.timedRequest("TURN " + moveText(opponent));
            const Milliseconds waited = std::chrono::nanoseconds(waitedNs() - waitBefore);
            ASSERT_TRUE(reply.line.has_value());
            const std::optional<int> move = tools::parseMoveReply(*reply.line);
            ASSERT_TRUE(move && board[*move] == kNone) << *reply.line;
            const Milliseconds late = reply.elapsed - Milliseconds(50);
            EXPECT_LT((late - waited).count(), 10.0)
                << "reply " << replies << ": " << late.count() << " ms late, " << waited.count()
                << " ms of it waiting for a CPU";
            worst = std::max(worst, late);
            worstUnwaited = std::max(worstUnwaited, late - waited);
            ++replies;
            board[*move] = X;
            if (tools::makesExactFive(board, *move, X)) break;
        }
    }
    std::printf("worst reply against the 50 ms limit: %+.2f ms; less the wait for a CPU: %+.2f ms\n",
                worst.count(), worstUnwaited.count());
    engine.endSession();
}

}  // namespace
}  // namespace quoll::test

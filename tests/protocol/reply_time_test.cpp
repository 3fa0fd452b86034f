// How long the built engine takes to answer, against the budget the manager's settings give it:
// the per-move limit, or a twentieth of the match time left when that is smaller. Only a
// generous bound is asserted (the machine may be busy); the measured figures go to the log.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "board_positions.hpp"

namespace quoll::test {
namespace {

// Slack over the budget: process scheduling, pipes, and the parts of a search that finish
// without looking at the clock. The sanitizer build runs several times slower.
constexpr double kSlackMs = kSanitizerBuild ? 1000 : 250;

// Open positions on which the engine, given the default 5000 ms, searches for a second or more.
std::vector<Stones> timingPositions() {
    std::mt19937_64 random(77);
    std::vector<Stones> positions;
    for (const int stones : {4, 6, 8, 10, 12, 14}) {
        const Stones board = randomQuietPosition(random, stones);
        if (stones != 8 && stones != 10) positions.push_back(board);
    }
    return positions;
}

// Sends the position and returns the time from DONE to the move reply, checking the move.
double timedAnswer(EngineClient& engine, const Stones& board) {
    engine.sendLine("START 15");
    EXPECT_TRUE(engine.expectLine("OK"));
    sendBoardRows(engine, board);
    const EngineClient::TimedReply reply = engine.timedRequest("DONE");
    EXPECT_TRUE(reply.line.has_value());
    if (reply.line) {
        const std::optional<int> cell = tools::parseMoveReply(*reply.line);
        EXPECT_TRUE(cell && board[*cell] == tools::kNone) << *reply.line;
    }
    return std::chrono::duration<double, std::milli>(reply.elapsed).count();
}

TEST(ReplyTime, StaysNearTheTurnLimit) {
    EngineClient engine;
    startEngine(engine, 100);
    const std::vector<Stones> positions = timingPositions();
    for (const int budgetMs : {100, 300, 1000}) {
        engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(budgetMs));
        double slowest = 0;
        for (const Stones& board : positions) {
            const double elapsed = timedAnswer(engine, board);
            EXPECT_LE(elapsed, budgetMs + kSlackMs) << "budget " << budgetMs << " ms";
            slowest = std::max(slowest, elapsed);
        }
        std::printf("turn limit %4d ms: slowest of %zu replies %.1f ms\n", budgetMs,
                    positions.size(), slowest);
    }
}

TEST(ReplyTime, MatchTimeLeftCutsTheBudget) {
    EngineClient engine;
    startEngine(engine, 5000);
    // A twentieth of 2000 ms: 100 ms, where the turn limit alone would allow 5000.
    engine.sendLine("INFO TIME_LEFT 2000");
    double slowest = 0;
    for (const Stones& board : timingPositions()) {
        const double elapsed = timedAnswer(engine, board);
        EXPECT_LE(elapsed, 100 + kSlackMs);
        slowest = std::max(slowest, elapsed);
    }
    std::printf("time left 2000 ms (budget 100 ms): slowest reply %.1f ms\n", slowest);
}

}  // namespace
}  // namespace quoll::test

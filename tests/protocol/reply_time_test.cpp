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

TEST(ReplyTime, StaysNearTheBudget) {
    EngineClient engine;
    startEngine(engine, 100);
    const std::vector<Stones> positions = timingPositions();
    struct Limits {
        int turnMs;
        int timeLeftMs;
        int budgetMs;
    };
    // The turn limit alone; then a twentieth of 2000 ms left, where the turn limit allows 5000.
    for (const Limits limits : {Limits{100, 10000000, 100}, Limits{300, 10000000, 300},
                                Limits{1000, 10000000, 1000}, Limits{5000, 2000, 100}}) {
        engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(limits.turnMs));
        engine.sendLine("INFO TIME_LEFT " + std::to_string(limits.timeLeftMs));
        double slowest = 0;
        for (const Stones& board : positions) {
            const double elapsed = timedAnswer(engine, board);
            EXPECT_LE(elapsed, limits.budgetMs + kSlackMs)
                << "turn limit " << limits.turnMs << " ms, time left " << limits.timeLeftMs;
            slowest = std::max(slowest, elapsed);
        }
        std::printf("turn limit %4d ms, time left %8d ms: slowest of %zu replies %.1f ms\n",
                    limits.turnMs, limits.timeLeftMs, positions.size(), slowest);
    }
}

}  // namespace
}  // namespace quoll::test

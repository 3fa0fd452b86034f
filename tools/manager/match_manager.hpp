#pragma once
// A small tournament manager: two engine processes play games against each other through their
// pipes, and every reply is judged the way a real manager judges it. Each game begins with START
// and the time settings; the first move request of each engine carries the whole position (BEGIN
// on an empty board, else a BOARD block), later ones the opponent's last move (TURN), each after
// INFO time_left with the engine's remaining game time. A reply must be a move on an empty cell
// within the turn limit plus a tolerance; a game ends with an exact five or a full board, or is
// forfeited by an illegal move, a time-out or a crash. For the match tool and the board in the
// browser.

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/manager/engine_process.hpp"

namespace quoll::tools {

struct MatchOptions {
    std::string enginePath;    // engine 0
    std::string opponentPath;  // engine 1; the same program as engine 0 when empty
    int games = 2;
    int turnMs = 1000;      // INFO timeout_turn
    int matchMs = 180000;   // INFO timeout_match: each engine's time for one game
    int toleranceMs = 250;  // a reply later than turnMs + toleranceMs is a time-out
    int openingStones = 4;  // random openings of 0 .. openingStones stones
    long long maxMemory = 83886080;
    int maxDepth = 0;        // INFO max_depth for both engines, when above 0
    long long maxNodes = 0;  // INFO max_node for both engines, when above 0
    // Engine 0's and engine 1's own node limits in place of maxNodes, when 0 or more: a match
    // between levels of strength.
    std::array<long long, 2> enginesNodes{-1, -1};
    std::uint64_t seed = 1;
};

enum class GameEnd { Five, FullBoard, IllegalMove, TimeOut, Crash };

struct GameResult {
    GameEnd end = GameEnd::FullBoard;
    int winner = -1;  // engine 0 or 1; -1 for a draw
    int firstEngine = 0;
    int openingStones = 0;
    std::vector<int> moves;  // every stone in the order placed, the opening included
    std::string detail;      // what went wrong, for a forfeit
};

struct MatchSummary {
    std::vector<GameResult> games;
    std::array<int, 2> wins{};
    int firstPlayerWins = 0;
    int draws = 0;
    int illegalMoves = 0;
    int timeOuts = 0;
    int crashes = 0;
    int replies = 0;
    double slowestReplyMs = 0;  // the longest time any move took
    // The largest reply time minus the budget the engine had, and minus the turn limit; negative
    // when every reply came early.
    double mostOverBudgetMs = -1e9;
    double mostOverTurnMs = -1e9;
    bool clean() const { return illegalMoves == 0 && timeOuts == 0 && crashes == 0; }
};

// Plays the match and writes each game and the totals to `log`.
MatchSummary runMatch(const MatchOptions& options, std::ostream& log);

}  // namespace quoll::tools

#pragma once
// The engine process of one browser game, spoken to as a tournament manager speaks to it. The
// page keeps the game itself (its moves, the result, the analysis); the server runs the engine's
// searches on positions the page sends, one at a time, and judges each reply: on time, a move,
// on an empty cell.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/manager/engine_process.hpp"
#include "tools/manager/referee.hpp"

namespace quoll::web {

using Clock = std::chrono::steady_clock;

// Allowed time per search, in milliseconds.
inline constexpr int kMinTurnMs = 100;
inline constexpr int kMaxTurnMs = 60000;
// Limits of a search's depth (plies) and nodes; 0 is no limit.
inline constexpr int kMaxDepthLimit = 100;
inline constexpr int kMaxNodeLimit = 1000000000;
// Managers accept a reply this much later than the turn limit.
inline constexpr int kReplyToleranceMs = 1000;
// The engine must answer START within this; it sizes its table then.
inline constexpr int kStartTimeoutMs = 10000;
// Each engine's table budget, so that the allowed number of games fits in memory.
inline constexpr long long kEngineMemoryBytes = 64LL << 20;

// A position to search and the search's limits, checked: cells on the board, each taken once,
// no five standing, the side to move with as many stones as the other or one fewer, a cell left.
struct Search {
    std::vector<int> cells;  // the stones in the order the page gave them, black's and white's
    tools::Stones stones{};
    std::uint8_t toMove = tools::kBlackStone;
    int turnMs = 1000;
    int maxDepth = 0;
    int maxNodes = 0;
};

// Why the engine could not give a move; the page puts each in plain words.
enum class Failure { None, NotStarted, Crashed, TooSlow, ErrorLine, UnreadableMove, IllegalMove };

// The engine's limits as last sent, so that each goes out only when it changes: a game that
// never asks for a depth or node limit sends only the keys every brain knows.
struct SentLimits {
    int turnMs = -1;
    int maxDepth = 0;
    int maxNodes = 0;
};

struct Game {
    std::string id;
    std::string enginePath;

    std::unique_ptr<tools::EngineProcess> engine;
    // The engine's process id, readable without the game's lock: a server that stops kills the
    // engines so that requests waiting for a move end at once.
    std::atomic<pid_t> enginePid = -1;
    SentLimits sent;
    Failure failure = Failure::None;
    std::string failureDetail;  // the engine's own line or exit status, when there is one

    Clock::time_point lastUsed = Clock::now();
    std::mutex mutex;  // one request, and so one search, at a time works on a game
};

// Starts (or restarts) the engine and opens a game on it; on failure the game records why.
void startEngine(Game& game);

// The engine's move for the side to move of `search`, or nothing when it failed: the game then
// records why and the engine is stopped until it is restarted. Every MESSAGE line the engine
// writes before its move goes to `onMessage` as it comes; `elapsedMs` is the reply's time.
std::optional<int> think(Game& game, const Search& search,
                         const std::function<void(const std::string&)>& onMessage, int& elapsedMs);

}  // namespace quoll::web

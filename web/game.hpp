#pragma once
// One browser game: its position, its moves in playing order, the result judged by the referee,
// and the engine process that plays one side, spoken to as a tournament manager speaks to it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/manager/engine_process.hpp"
#include "tools/manager/referee.hpp"

namespace quoll::web {

using Clock = std::chrono::steady_clock;

// Allowed time per engine move, in milliseconds.
inline constexpr int kMinTurnMs = 100;
inline constexpr int kMaxTurnMs = 60000;
// Managers accept a reply this much later than the turn limit.
inline constexpr int kReplyToleranceMs = 1000;
// The engine must answer START within this; it sizes its table then.
inline constexpr int kStartTimeoutMs = 10000;
// Each engine's table budget, so that the allowed number of games fits in memory.
inline constexpr long long kEngineMemoryBytes = 64LL << 20;

struct Move {
    int cell = 0;
    std::uint8_t stone = tools::kNone;
    bool byEngine = false;
    int thinkingMs = 0;  // the engine's reply time, or the person's time since the last move
};

// Why the engine could not give a move; the page puts each in plain words.
enum class Failure { None, NotStarted, Crashed, TooSlow, ErrorLine, UnreadableMove, IllegalMove };

struct Game {
    std::string id;
    std::string enginePath;
    std::uint8_t personStone = tools::kBlackStone;
    int turnMs = 1000;

    tools::Stones stones{};
    std::vector<Move> moves;
    std::uint8_t winner = tools::kNone;
    std::vector<int> five;  // the winning five's cells
    bool draw = false;
    std::optional<int> hint;

    std::unique_ptr<tools::EngineProcess> engine;
    // The engine's process id, readable without the game's lock: a server that stops kills the
    // engines so that requests waiting for a move end at once.
    std::atomic<pid_t> enginePid = -1;
    // How many of the game's moves the engine's own board holds, in order; -1 when its board
    // differs from the game (after an undo, a load or a hint), so that a BOARD must be sent.
    int movesKnownToEngine = -1;
    Failure failure = Failure::None;
    std::string failureDetail;  // the engine's own line or exit status, when there is one

    Clock::time_point lastMoveAt = Clock::now();
    Clock::time_point lastUsed = Clock::now();
    std::mutex mutex;  // one request at a time works on a game
};

inline bool isOver(const Game& game) { return game.winner != tools::kNone || game.draw; }
inline std::uint8_t stoneToMove(const Game& game) {
    return game.moves.size() % 2 == 0 ? tools::kBlackStone : tools::kWhiteStone;
}
inline bool personToMove(const Game& game) {
    return !isOver(game) && stoneToMove(game) == game.personStone;
}
inline bool engineToMove(const Game& game) {
    return !isOver(game) && stoneToMove(game) != game.personStone;
}

// Starts (or restarts) the engine and opens a game on it; on failure the game records why.
void startEngine(Game& game);

// The person's move; false when the cell is taken or it is not the person's turn.
bool playPersonMove(Game& game, int cell);

// Asks the engine for its move and plays it; on failure the game records why, keeps its
// position, and the engine is stopped until it is restarted.
void playEngineMove(Game& game);

// The engine's move for the person's side, shown and not played.
void findHint(Game& game);

// Takes back moves up to and including the person's last one; false when there is none.
bool undoMovePair(Game& game);

// Replaces the moves with `moves` played in order (their cells and times are used); false, and
// nothing changed, when one is on a taken cell or comes after the game has ended.
bool replaceMoves(Game& game, const std::vector<Move>& moves);

}  // namespace quoll::web

#include "web/game.hpp"

#include <unistd.h>

#include <algorithm>

#include "tools/manager/match_manager.hpp"

namespace quoll::web {
namespace {

using tools::kNone;

// Starts engines through util-linux's setpriv so that each gets the parent-death signal: an
// engine is killed when the server goes away, even when the server is killed or crashes.
constexpr const char* kParentDeathLauncher = "/usr/bin/setpriv";

int millisecondsSince(Clock::time_point begin) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
}

// A brain written for Windows may end its lines with CR LF; managers accept that.
std::string withoutCarriageReturn(std::string line) {
    if (line.ends_with('\r')) line.pop_back();
    return line;
}

void recordFailure(Game& game, Failure failure, std::string detail = "") {
    game.failure = failure;
    game.failureDetail = detail.substr(0, 120);
    game.enginePid = -1;
    game.engine.reset();  // kills the process
    game.movesKnownToEngine = -1;
}

// Why no line came: the engine stopped (closed its output early) or it was too slow.
void recordSilence(Game& game, const tools::EngineReply& reply, int waitMs) {
    if (reply.elapsedMs + 1 < waitMs) {
        game.enginePid = -1;  // about to be reaped
        const std::optional<int> code = game.engine->waitExit(std::chrono::milliseconds(500));
        std::string detail;
        if (code && *code > 128) detail = "killed by signal " + std::to_string(*code - 128);
        else if (code) detail = "exit code " + std::to_string(*code);
        recordFailure(game, Failure::Crashed, detail);
        return;
    }
    recordFailure(game, Failure::TooSlow);
}

// The run of exactly five through the cell, which holds `stone`.
std::vector<int> fiveThrough(const tools::Stones& stones, int cell, std::uint8_t stone) {
    for (int line = 0; line < 4; ++line) {
        if (tools::runThrough(stones, cell, stone, line) != 5) continue;
        const int rowStep = tools::kLineRowStep[line];
        const int columnStep = tools::kLineColumnStep[line];
        int row = cell / tools::kSide;
        int column = cell % tools::kSide;
        while (tools::onBoard(row - rowStep, column - columnStep) &&
               stones[(row - rowStep) * tools::kSide + column - columnStep] == stone) {
            row -= rowStep;
            column -= columnStep;
        }
        std::vector<int> cells;
        for (int i = 0; i < 5; ++i)
            cells.push_back((row + i * rowStep) * tools::kSide + column + i * columnStep);
        return cells;
    }
    return {};
}

void placeStone(Game& game, int cell, bool byEngine, int thinkingMs) {
    const std::uint8_t stone = stoneToMove(game);
    game.stones[cell] = stone;
    game.moves.push_back({cell, stone, byEngine, thinkingMs});
    game.lastMoveAt = Clock::now();
    game.hint.reset();
    game.five = fiveThrough(game.stones, cell, stone);
    if (!game.five.empty()) game.winner = stone;
    else game.draw = tools::isFull(game.stones);
}

// Sends the moves as a BOARD block up to its last line, DONE, which the caller sends as the
// request. `ownStone` is the side that is to answer: its stones are the 1 rows.
bool sendBoard(Game& game, std::uint8_t ownStone) {
    bool sent = game.engine->sendLine("BOARD");
    for (const Move& move : game.moves)
        sent = sent && game.engine->sendLine(tools::moveText(move.cell) + "," +
                                             (move.stone == ownStone ? "1" : "2"));
    return sent;
}

// Sends the request's last line and reads a move for the side to play; nothing on failure,
// which is then recorded.
std::optional<int> requestMove(Game& game, const std::string& lastLine, int& elapsedMs) {
    const int waitMs = game.turnMs + kReplyToleranceMs;
    const tools::EngineReply reply = tools::requestReply(*game.engine, lastLine, waitMs);
    elapsedMs = static_cast<int>(reply.elapsedMs);
    if (!reply.line) {
        recordSilence(game, reply, waitMs);
        return std::nullopt;
    }
    if (reply.elapsedMs > waitMs) {
        recordFailure(game, Failure::TooSlow);
        return std::nullopt;
    }
    const std::string line = withoutCarriageReturn(*reply.line);
    if (line.starts_with("ERROR") || line.starts_with("UNKNOWN")) {
        recordFailure(game, Failure::ErrorLine, line);
        return std::nullopt;
    }
    const std::optional<int> cell = tools::parseMoveReply(line);
    if (!cell) {
        recordFailure(game, Failure::UnreadableMove, line);
        return std::nullopt;
    }
    if (game.stones[*cell] != kNone) {
        recordFailure(game, Failure::IllegalMove, line);
        return std::nullopt;
    }
    return cell;
}

}  // namespace

void startEngine(Game& game) {
    game.engine = std::make_unique<tools::EngineProcess>();
    game.failure = Failure::None;
    game.failureDetail.clear();
    game.movesKnownToEngine = -1;
    const bool launcher = access(kParentDeathLauncher, X_OK) == 0;
    const bool started = launcher
                             ? game.engine->start(kParentDeathLauncher, "",
                                                  {"--pdeathsig", "KILL", "--", game.enginePath})
                             : game.engine->start(game.enginePath);
    if (!started) return recordFailure(game, Failure::NotStarted);
    game.enginePid = game.engine->pid();

    // Many brains size their table at START, so the memory budget also goes before it.
    tools::EngineProcess& engine = *game.engine;
    engine.sendLine("INFO max_memory " + std::to_string(kEngineMemoryBytes));
    const tools::EngineReply reply = tools::requestReply(engine, "START 15", kStartTimeoutMs);
    if (!reply.line) return recordFailure(game, Failure::NotStarted);
    if (withoutCarriageReturn(*reply.line) != "OK")
        return recordFailure(game, Failure::NotStarted, *reply.line);
    // No match limit: managers then send a zero match time and the largest time left.
    for (const std::string& line :
         {"INFO timeout_turn " + std::to_string(game.turnMs), std::string("INFO timeout_match 0"),
          std::string("INFO time_left 2147483647"),
          "INFO max_memory " + std::to_string(kEngineMemoryBytes), std::string("INFO rule 1")})
        engine.sendLine(line);
    game.movesKnownToEngine = 0;
}

bool playPersonMove(Game& game, int cell) {
    if (!personToMove(game) || game.stones[cell] != kNone) return false;
    placeStone(game, cell, false, millisecondsSince(game.lastMoveAt));
    return true;
}

void playEngineMove(Game& game) {
    if (!engineToMove(game) || !game.engine) return;
    const int known = game.movesKnownToEngine;
    const int count = static_cast<int>(game.moves.size());
    std::string request = "DONE";
    if (count == 0 && known == 0) request = "BEGIN";
    else if (known == count - 1 && !game.moves.back().byEngine)
        request = "TURN " + tools::moveText(game.moves.back().cell);
    else if (!sendBoard(game, stoneToMove(game))) return recordFailure(game, Failure::Crashed);
    int elapsedMs = 0;
    const std::optional<int> cell = requestMove(game, request, elapsedMs);
    if (!cell) return;
    placeStone(game, *cell, true, elapsedMs);
    game.movesKnownToEngine = count + 1;
}

void findHint(Game& game) {
    if (!personToMove(game) || !game.engine) return;
    if (!sendBoard(game, game.personStone)) return recordFailure(game, Failure::Crashed);
    game.movesKnownToEngine = -1;  // its board now has the colours the other way round
    int elapsedMs = 0;
    game.hint = requestMove(game, "DONE", elapsedMs);
}

bool undoMovePair(Game& game) {
    const auto last = std::find_if(game.moves.rbegin(), game.moves.rend(),
                                   [](const Move& move) { return !move.byEngine; });
    if (last == game.moves.rend()) return false;
    return replaceMoves(game, std::vector<Move>(game.moves.begin(), last.base() - 1));
}

bool replaceMoves(Game& game, const std::vector<Move>& moves) {
    Game replay;
    replay.personStone = game.personStone;
    for (const Move& move : moves) {
        if (isOver(replay) || replay.stones[move.cell] != kNone) return false;
        const bool byEngine = stoneToMove(replay) != replay.personStone;
        placeStone(replay, move.cell, byEngine, move.thinkingMs);
    }
    game.stones = replay.stones;
    game.moves = std::move(replay.moves);
    game.winner = replay.winner;
    game.five = std::move(replay.five);
    game.draw = replay.draw;
    game.hint.reset();
    game.lastMoveAt = Clock::now();
    game.movesKnownToEngine = -1;
    return true;
}

}  // namespace quoll::web

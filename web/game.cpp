#include "web/game.hpp"

#include <unistd.h>

#include "tools/manager/match_manager.hpp"

namespace quoll::web {
namespace {

// Starts engines through util-linux's setpriv so that each gets the parent-death signal: an
// engine is killed when the server goes away, even when the server is killed or crashes.
constexpr const char* kParentDeathLauncher = "/usr/bin/setpriv";

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
}

// Why no line came: the engine stopped (closed its output early) or it was too slow.
void recordSilence(Game& game, int elapsedMs, int waitMs) {
    if (elapsedMs + 1 < waitMs) {
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

// Sends the INFO line of a limit when it differs from what the engine has.
bool sendLimit(tools::EngineProcess& engine, const char* key, int value, int& sent) {
    if (value == sent) return true;
    sent = value;
    return engine.sendLine(std::string("INFO ") + key + " " + std::to_string(value));
}

// Sends the request's lines but its last, DONE, which is returned: the limits that changed, then
// the position as a BOARD block whose 1 rows are the side to move's stones.
std::optional<std::string> sendRequest(Game& game, const Search& search) {
    tools::EngineProcess& engine = *game.engine;
    bool sent = sendLimit(engine, "timeout_turn", search.turnMs, game.sent.turnMs) &&
                sendLimit(engine, "MAX_DEPTH", search.maxDepth, game.sent.maxDepth) &&
                sendLimit(engine, "MAX_NODE", search.maxNodes, game.sent.maxNodes) &&
                engine.sendLine("BOARD");
    for (const int cell : search.cells)
        sent = sent && engine.sendLine(tools::moveText(cell) + "," +
                                       (search.stones[cell] == search.toMove ? "1" : "2"));
    if (!sent) return std::nullopt;
    return "DONE";
}

}  // namespace

void startEngine(Game& game) {
    game.engine = std::make_unique<tools::EngineProcess>();
    game.failure = Failure::None;
    game.failureDetail.clear();
    game.sent = SentLimits{};
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
    // No match limit: managers then send a zero match time and the largest time left. The
    // detail lines show the page what the engine thinks while it searches.
    for (const char* line :
         {"INFO timeout_match 0", "INFO time_left 2147483647", "INFO rule 1", "INFO SHOW_DETAIL 1"})
        engine.sendLine(line);
    engine.sendLine("INFO max_memory " + std::to_string(kEngineMemoryBytes));
}

std::optional<int> think(Game& game, const Search& search,
                         const std::function<void(const std::string&)>& onMessage, int& elapsedMs) {
    elapsedMs = 0;
    if (!game.engine) return std::nullopt;
    const std::optional<std::string> lastLine = sendRequest(game, search);
    if (!lastLine) {
        recordFailure(game, Failure::Crashed);
        return std::nullopt;
    }
    const int waitMs = search.turnMs + kReplyToleranceMs;
    // MESSAGE and DEBUG lines come before the move, as managers read them; a brain that goes on
    // writing them past its time is too slow.
    const tools::EngineReply reply = tools::requestReply(
        *game.engine, *lastLine, waitMs,
        [&](const std::string& message) { onMessage(withoutCarriageReturn(message)); });
    const std::optional<std::string> line =
        reply.line ? std::optional(withoutCarriageReturn(*reply.line)) : std::nullopt;
    elapsedMs = static_cast<int>(reply.elapsedMs);
    if (!line) {
        recordSilence(game, elapsedMs, waitMs);
        return std::nullopt;
    }
    if (elapsedMs > waitMs) {
        recordFailure(game, Failure::TooSlow);
        return std::nullopt;
    }
    if (line->starts_with("ERROR") || line->starts_with("UNKNOWN")) {
        recordFailure(game, Failure::ErrorLine, *line);
        return std::nullopt;
    }
    const std::optional<int> cell = tools::parseMoveReply(*line);
    if (!cell) {
        recordFailure(game, Failure::UnreadableMove, *line);
        return std::nullopt;
    }
    if (search.stones[*cell] != tools::kNone) {
        recordFailure(game, Failure::IllegalMove, *line);
        return std::nullopt;
    }
    return cell;
}

}  // namespace quoll::web

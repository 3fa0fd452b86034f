// Engine-against-engine matches through pipes, judged as a tournament manager judges them:
// legal replies, replies on time, games ended by an exact five or a full board. Engine 0 is
// --engine, engine 1 is --opponent (another build, an older release for instance) or else the
// same engine; the games differ by their random openings and by who begins, which alternates.
//
//   match [--engine PATH] [--opponent PATH] [--games N] [--turn-ms N] [--match-ms N] [--seed N]
//         [--tolerance-ms N] [--opening N] [--max-memory BYTES] [--depth N] [--nodes N]
//         [--engine-nodes N] [--opponent-nodes N]
//
// The engine defaults to the pbrain-quoll of the build folder this tool was built in; a Windows
// pbrain-quoll.exe is run under Wine and spoken to in Windows text lines. The exit
// code is 1 after any illegal move, time-out or crash, 2 on bad arguments. --depth and --nodes
// hold both engines to a depth (plies) or a node count per move (INFO max_depth, max_node):
// when they bind before the clock, the same seed plays the same games on every run.
// --engine-nodes and --opponent-nodes give engine 0 and engine 1 node limits of their own (0: none)
// in place of --nodes, for a match between levels of strength.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/manager/match_manager.hpp"

namespace {

std::string defaultEnginePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "pbrain-quoll";
    return (self.parent_path().parent_path() / "pbrain-quoll").string();
}

bool parseNumber(const char* text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

int usage() {
    std::fprintf(
        stderr,
        "usage: match [--engine PATH] [--opponent PATH] [--games N] [--turn-ms N] [--match-ms N] "
        "[--seed N] [--tolerance-ms N] [--opening N] [--max-memory BYTES] [--depth N] "
        "[--nodes N] [--engine-nodes N] [--opponent-nodes N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    quoll::tools::MatchOptions options;
    options.enginePath = defaultEnginePath();
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (flag == "--engine") {
            options.enginePath = value;
            continue;
        }
        if (flag == "--opponent") {
            options.opponentPath = value;
            continue;
        }
        long long number = 0;
        if (!parseNumber(value, number) || number < 0) return usage();
        if (flag == "--games") options.games = static_cast<int>(number);
        else if (flag == "--turn-ms") options.turnMs = static_cast<int>(number);
        else if (flag == "--match-ms") options.matchMs = static_cast<int>(number);
        else if (flag == "--seed") options.seed = static_cast<std::uint64_t>(number);
        else if (flag == "--tolerance-ms") options.toleranceMs = static_cast<int>(number);
        else if (flag == "--opening") options.openingStones = static_cast<int>(number);
        else if (flag == "--max-memory") options.maxMemory = number;
        else if (flag == "--depth") options.maxDepth = static_cast<int>(number);
        else if (flag == "--nodes") options.maxNodes = number;
        else if (flag == "--engine-nodes") options.enginesNodes[0] = number;
        else if (flag == "--opponent-nodes") options.enginesNodes[1] = number;
        else return usage();
    }
    using quoll::tools::makeAbsoluteRunnable;
    if (!makeAbsoluteRunnable(options.enginePath, "match")) return 2;
    if (!options.opponentPath.empty() && !makeAbsoluteRunnable(options.opponentPath, "match"))
        return 2;
    std::cout << "engine 0 " << options.enginePath << ", engine 1 "
              << (options.opponentPath.empty() ? "the same" : options.opponentPath) << ", "
              << options.games << " games, turn " << options.turnMs << " ms, match "
              << options.matchMs << " ms, seed " << options.seed;
    for (int e = 0; e < 2; ++e) {
        const long long nodes =
            options.enginesNodes[e] >= 0 ? options.enginesNodes[e] : options.maxNodes;
        if (nodes > 0) std::cout << ", engine " << e << " " << nodes << " nodes a move";
    }
    std::cout << "\n";
    const quoll::tools::MatchSummary summary = quoll::tools::runMatch(options, std::cout);
    return summary.clean() ? 0 : 1;
}

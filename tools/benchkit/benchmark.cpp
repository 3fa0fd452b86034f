#include "tools/benchkit/benchmark.hpp"

#include <charconv>
#include <fstream>
#include <limits>

#include "platform/clock.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"

namespace quoll {

namespace {

bool parseCoordinate(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value >= 0 &&
           value < kBoardSize;
}

}  // namespace

bool parseMoveList(std::string_view text, GameRecord& record) {
    std::vector<Cell> moves;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\r\n", position);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view token = text.substr(start, end - start);
        const std::size_t comma = token.find(',');
        int x = 0, y = 0;
        if (comma == std::string_view::npos || !parseCoordinate(token.substr(0, comma), x) ||
            !parseCoordinate(token.substr(comma + 1), y))
            return false;
        moves.push_back(makeCell(y, x));
        position = end;
    }
    if (moves.empty()) return false;
    GameRecord built;
    const int count = static_cast<int>(moves.size());
    for (int i = 0; i < count; ++i) {
        if (built.board[moves[i]] != kEmpty) return false;
        built.board[moves[i]] = (count - 1 - i) % 2 == 0 ? kOpponentStone : kOwnStone;
    }
    built.firstColour = count % 2 == 1 ? kOpponentStone : kOwnStone;
    built.colourToMove = kOwnStone;
    built.moves = std::move(moves);
    record = std::move(built);
    return true;
}

std::optional<std::vector<std::string>> readNonBlankLines(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        if (line.find_first_not_of(" \t\r") != std::string::npos) lines.push_back(line);
    return lines;
}

BenchResult benchmarkPosition(const GameRecord& record, int depthPlies, int hashLog2) {
    static EngineState state;
    state.table = TranspositionTable{};
    resizeTable(state.table, std::uint64_t{1} << hashLog2);
    bringTableIn(state.table, std::numeric_limits<std::int64_t>::max());  // as a game's first move
    loadSearchPosition(state, record);
    nodeCounters = NodeCounters{};
    startUnlimitedSearchTimer();
    RootReport report;
    BenchResult result;
    const std::int64_t start = monotonicNowNs();
    result.move = searchRoot(state, &report, static_cast<Depth>(depthPlies * kPlyUnit));
    result.elapsedNs = monotonicNowNs() - start;
    result.searched = report.searched();
    result.score = report.bestScore;
    result.depthPlies = report.lastCompletedDepth / kPlyUnit;
    result.nodes = nodeCounters;
    return result;
}

std::string benchLine(const BenchResult& r) {
    const std::string move = r.move == kNoCell ? std::string("-")
                                               : std::to_string(cellColumn(r.move)) + "," +
                                                     std::to_string(cellRow(r.move));
    if (!r.searched) return "move " + move + " score - depth - tree 0 horizon 0 vcf 0";
    return "move " + move + " score " + std::to_string(r.score) + " depth " +
           std::to_string(r.depthPlies) + " tree " + std::to_string(r.nodes.tree) + " horizon " +
           std::to_string(r.nodes.horizon) + " vcf " + std::to_string(r.nodes.vcf);
}

}  // namespace quoll

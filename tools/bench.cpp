// Fixed-depth benchmark: searches each position with a fresh table and prints the node counts.
// The total node count is a signature of the search's behaviour: identical on every run and
// every machine for the same code.
//
//   bench [--depth N] [--hash-log2 K] [--positions FILE]
//
// A positions file holds one position per line, as moves in playing order ("7,7 8,8 8,7"); the
// engine is to move and the last move is the opponent's.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/state.hpp"
#include "platform/clock.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"
#include "tree/counters.hpp"

using namespace quoll;

namespace {

// The built-in set: openings, middle games and forcing positions.
const char* const kBuiltInPositions[] = {
    "7,7",
    "7,7 5,9",
    "7,7 9,9 11,11 10,8",
    "7,7 5,7 7,6 5,6 4,4",
    "7,7 5,7 7,6 5,6 4,4 6,6 7,5 7,8 5,4",
    "7,7 8,8 10,8 8,6 8,7 9,7 10,6 7,5 10,5 10,7 6,6",
    "7,7 7,6 7,5 6,9 7,8 7,10 6,6 5,8 4,7 6,7 4,9 4,8 5,5 8,8 8,5 6,5 8,4 9,3 8,6 8,7",
    "1,1 2,2 0,2 1,3 2,0 2,3 4,0 3,3 4,3 2,4 2,5 3,4 3,0 5,0 3,2",
    "7,7 8,8 10,8 8,6 8,7 9,7 10,6 7,5 10,5 10,7 6,6 9,6 9,8 8,5 11,8",
};

bool parsePosition(const std::string& text, GameRecord& record) {
    std::vector<Cell> moves;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        int x = -1, y = -1;
        if (std::sscanf(token.c_str(), "%d,%d", &x, &y) != 2 || x < 0 || x >= kBoardSize || y < 0 ||
            y >= kBoardSize)
            return false;
        moves.push_back(makeCell(y, x));
    }
    if (moves.empty()) return false;
    record = GameRecord{};
    // The last move is the opponent's; the stones alternate backwards from it.
    const int count = static_cast<int>(moves.size());
    for (int i = 0; i < count; ++i) {
        const bool opponent = (count - 1 - i) % 2 == 0;
        if (record.board[moves[i]] != kEmpty) return false;
        record.board[moves[i]] = opponent ? kOpponentStone : kOwnStone;
    }
    record.firstColour = count % 2 == 1 ? kOpponentStone : kOwnStone;
    record.colourToMove = kOwnStone;
    record.moves = moves;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int depthPlies = 6;
    int hashLog2 = 20;
    std::vector<std::string> positions(std::begin(kBuiltInPositions), std::end(kBuiltInPositions));
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--depth" && i + 1 < argc) depthPlies = std::atoi(argv[++i]);
        else if (option == "--hash-log2" && i + 1 < argc) hashLog2 = std::atoi(argv[++i]);
        else if (option == "--positions" && i + 1 < argc) {
            std::ifstream file(argv[++i]);
            if (!file) {
                std::fprintf(stderr, "cannot read %s\n", argv[i]);
                return 2;
            }
            positions.clear();
            for (std::string line; std::getline(file, line);)
                if (line.find_first_not_of(" \t\r") != std::string::npos) positions.push_back(line);
        } else {
            std::fprintf(stderr, "usage: bench [--depth N] [--hash-log2 K] [--positions FILE]\n");
            return 2;
        }
    }
    if (depthPlies < 1 || depthPlies > 225 || hashLog2 < 0 || hashLog2 > 32) {
        std::fprintf(stderr, "depth must be 1..225 and hash-log2 0..32\n");
        return 2;
    }

    EngineState state;
    NodeCounters total;
    std::int64_t totalNs = 0;
    for (const std::string& text : positions) {
        GameRecord record;
        if (!parsePosition(text, record)) {
            std::fprintf(stderr, "bad position: %s\n", text.c_str());
            return 2;
        }
        state.table = TranspositionTable{};
        resizeTable(state.table, std::uint64_t{1} << hashLog2);
        loadSearchPosition(state, record);
        nodeCounters = NodeCounters{};
        startUnlimitedSearchTimer();
        RootReport report;
        const std::int64_t start = monotonicNowNs();
        const Cell move = searchRoot(state, &report, static_cast<Depth>(depthPlies * kPlyUnit));
        const std::int64_t elapsed = monotonicNowNs() - start;
        totalNs += elapsed;
        const std::uint64_t nodes = nodeCounters.tree + nodeCounters.horizon + nodeCounters.vcf;
        const std::string moveText =
            move == kNoCell ? "-" : std::to_string(cellColumn(move)) + "," + std::to_string(cellRow(move));
        if (report.searched)
            std::printf("move %s score %d depth %d tree %llu horizon %llu vcf %llu", moveText.c_str(),
                        report.bestScore, report.lastCompletedDepth / kPlyUnit,
                        static_cast<unsigned long long>(nodeCounters.tree),
                        static_cast<unsigned long long>(nodeCounters.horizon),
                        static_cast<unsigned long long>(nodeCounters.vcf));
        else
            std::printf("move %s score - depth - tree 0 horizon 0 vcf 0", moveText.c_str());
        std::printf(" time %.3f ms nps %.0f\n", elapsed / 1e6,
                    elapsed > 0 ? nodes * 1e9 / elapsed : 0.0);
        total.tree += nodeCounters.tree;
        total.horizon += nodeCounters.horizon;
        total.vcf += nodeCounters.vcf;
    }
    const std::uint64_t nodes = total.tree + total.horizon + total.vcf;
    std::printf("total tree %llu horizon %llu vcf %llu time %.3f ms nps %.0f\n",
                static_cast<unsigned long long>(total.tree),
                static_cast<unsigned long long>(total.horizon),
                static_cast<unsigned long long>(total.vcf), totalNs / 1e6,
                totalNs > 0 ? nodes * 1e9 / totalNs : 0.0);
    std::printf("Nodes searched: %llu\n", static_cast<unsigned long long>(nodes));
    return 0;
}

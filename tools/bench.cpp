// Fixed-depth benchmark: searches each position with a fresh table and prints, per position and
// in total, the move, score, last completed depth, node counts, time and speed. The total node
// count ("Nodes searched") is a signature of the search's behaviour: identical on every run and
// every machine for the same code.
//
//   bench [--depth N] [--hash-log2 K] [--positions FILE]
//
// A positions file holds one position per line, as moves in playing order ("7,7 8,8 8,7"); the
// engine is to move and the last move is the opponent's.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/benchkit/benchmark.hpp"

using namespace quoll;

namespace {

// The built-in set: openings, middle games, forcing positions and a corner fight.
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

constexpr int kDefaultDepth = 12;

double perSecond(std::uint64_t nodes, std::int64_t ns) { return ns > 0 ? nodes * 1e9 / ns : 0.0; }

std::uint64_t allNodes(const NodeCounters& n) { return n.tree + n.horizon + n.vcf; }

}  // namespace

int main(int argc, char** argv) {
    int depth = kDefaultDepth;
    int hashLog2 = 20;
    std::vector<std::string> positions(std::begin(kBuiltInPositions), std::end(kBuiltInPositions));
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--depth" && i + 1 < argc) {
            depth = std::atoi(argv[++i]);
        } else if (option == "--hash-log2" && i + 1 < argc) {
            hashLog2 = std::atoi(argv[++i]);
        } else if (option == "--positions" && i + 1 < argc) {
            const auto lines = readNonBlankLines(argv[++i]);
            if (!lines) {
                std::fprintf(stderr, "bench: cannot read %s\n", argv[i]);
                return 2;
            }
            positions = *lines;
        } else {
            std::fprintf(stderr, "usage: bench [--depth N] [--hash-log2 K] [--positions FILE]\n");
            return 2;
        }
    }
    if (depth < 1 || depth > 225 || hashLog2 < 0 || hashLog2 > 30) {
        std::fprintf(stderr, "bench: --depth takes 1..225 and --hash-log2 0..30\n");
        return 2;
    }

    NodeCounters total;
    std::int64_t totalNs = 0;
    for (const std::string& text : positions) {
        GameRecord record;
        if (!parseMoveList(text, record)) {
            std::fprintf(stderr, "bench: bad position: %s\n", text.c_str());
            return 2;
        }
        const BenchResult result = benchmarkPosition(record, depth, hashLog2);
        std::printf("%s time %.3f ms nps %.0f\n", benchLine(result).c_str(), result.elapsedNs / 1e6,
                    perSecond(allNodes(result.nodes), result.elapsedNs));
        total.tree += result.nodes.tree;
        total.horizon += result.nodes.horizon;
        total.vcf += result.nodes.vcf;
        totalNs += result.elapsedNs;
    }
    std::printf("total tree %llu horizon %llu vcf %llu time %.3f ms nps %.0f\n",
                static_cast<unsigned long long>(total.tree),
                static_cast<unsigned long long>(total.horizon),
                static_cast<unsigned long long>(total.vcf), totalNs / 1e6,
                perSecond(allNodes(total), totalNs));
    std::printf("Nodes searched: %llu\n", static_cast<unsigned long long>(allNodes(total)));
    return 0;
}

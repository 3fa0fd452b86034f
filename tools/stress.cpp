// Searches dense and extreme positions under a time budget and prints, per position, the move,
// the time taken, the deepest stack the search used and the tracker capacities reached.
// Positions: random boards crowded with threes, random dense boards, and the positions of
// games the engine plays against itself (long forcing sequences arise there).
//
//   stress [--budget-ms N] [--count N]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/threats.hpp"
#include "platform/clock.hpp"
#include "platform/stack.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"
#include "testkit/stress_positions.hpp"
#include "tree/counters.hpp"

using namespace quoll;

namespace {

struct Totals {
    std::size_t deepestStack = 0;
    std::int64_t mostOverNs = 0;
    int searched = 0;
    int illegal = 0;
};

void searchAndReport(EngineState& state, const GameRecord& record, const char* kind, int budgetMs,
                     Totals& totals) {
    if (record.colourToMove != kOwnStone || record.moves.empty()) return;
    loadSearchPosition(state, record);
    nodeCounters = NodeCounters{};
    Cell move = kNoCell;
    RootReport report;
    std::int64_t elapsed = 0;
    const StackRun run = runWithMeasuredStack(kDefaultStackBytes, [&] {
        const std::int64_t start = monotonicNowNs();
        startSearchTimer(budgetMs, start);
        move = searchRoot(state, &report);
        elapsed = monotonicNowNs() - start;
    });
    // A full board has no move to give.
    const bool legal = record.moves.size() == kCellCount
                           ? move == kNoCell
                           : move < kCellCount && record.board[move] == kEmpty;
    if (!legal) ++totals.illegal;
    const std::string moveText =
        move == kNoCell ? "-"
                        : std::to_string(cellColumn(move)) + "," + std::to_string(cellRow(move));
    std::printf("%-8s stones %3zu move %5s%s depth %2d nodes %9llu time %8.2f ms stack %8zu B\n",
                kind, record.moves.size(), moveText.c_str(), legal ? "" : " ILLEGAL",
                report.lastCompletedDepth / kPlyUnit,
                static_cast<unsigned long long>(nodeCounters.tree + nodeCounters.horizon +
                                                nodeCounters.vcf),
                elapsed / 1e6, run.bytesUsed);
    if (report.searched()) ++totals.searched;
    if (run.bytesUsed > totals.deepestStack) totals.deepestStack = run.bytesUsed;
    const std::int64_t over = elapsed - budgetMs * std::int64_t{1000000};
    if (over > totals.mostOverNs) totals.mostOverNs = over;
}

}  // namespace

int main(int argc, char** argv) {
    int budgetMs = 1000;
    int count = 4;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--budget-ms") budgetMs = std::atoi(argv[i + 1]);
        else if (option == "--count") count = std::atoi(argv[i + 1]);
    }
    static EngineState state;
    resizeTable(state.table, std::uint64_t{1} << 22);
    trackerUsage = TrackerUsage{};
    Totals totals;
    for (int i = 0; i < count; ++i) {
        searchAndReport(state, randomThreatPosition(2000 + i, 31 + 20 * i), "threats", budgetMs,
                        totals);
        searchAndReport(state, randomDensePosition(1000 + i, 161 + 20 * i), "dense", budgetMs,
                        totals);
        // Games at a short budget; every fourth position of each is searched at the full one.
        static EngineState playState;
        resizeTable(playState.table, std::uint64_t{1} << 18);
        const auto game = selfPlayPositions(playState, 3000 + i, 120, 20);
        for (std::size_t p = 3; p < game.size(); p += 4)
            searchAndReport(state, game[p], "selfplay", budgetMs, totals);
    }
    std::printf("searched %d positions; illegal answers %d\n", totals.searched, totals.illegal);
    std::printf(
        "deepest stack %zu bytes (%.1f%% of the default %zu); most time over budget %.2f ms\n",
        totals.deepestStack, 100.0 * totals.deepestStack / kDefaultStackBytes, kDefaultStackBytes,
        totals.mostOverNs / 1e6);
    std::printf(
        "tracker capacities: most links %d of %d, most four-groups %d of %d, dropped facts %d\n",
        trackerUsage.maxLinkCount, kLinkPoolSize, trackerUsage.maxFourGroups, kMaxFourGroups,
        trackerUsage.droppedFacts);
    return totals.illegal == 0 ? 0 : 1;
}

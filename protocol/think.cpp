#include "protocol/think.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "platform/clock.hpp"
#include "protocol/detail.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/replies.hpp"
#include "protocol/settings.hpp"
#include "protocol/start.hpp"
#include "search/prepare.hpp"
#include "search/principal_line.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"
#include "tree/counters.hpp"
#include "tree/table.hpp"

namespace quoll {

namespace {

// The detail line of the search so far, its best line starting with `move`.
void writeSearchDetail(const EngineState& state, const RootReport& report, Cell move) {
    SearchDetail detail;
    detail.depthPlies = report.lastCompletedDepth / kPlyUnit;
    detail.reason = answerReason(report.answer, detail.depthPlies);
    detail.score = report.answerScore;
    detail.nodes = nodeCounters.tree + nodeCounters.horizon + nodeCounters.vcf;
    detail.elapsedNs = monotonicNowNs() - searchTimer.searchStartNs;
    detail.line = principalLine(state, move);
    writeDetailLine(detail);
}

void writeIterationDetail(const EngineState& state, const RootReport& report) {
    writeSearchDetail(state, report, report.bestMove);
}

// The manager's depth limit in the root's units: none for 0 or less, at most the deepest
// iteration there can be.
Depth lastDepthOf(std::int32_t maxDepthPlies) {
    if (maxDepthPlies <= 0) return 0;
    return static_cast<Depth>(std::min(maxDepthPlies, kCellCount) * kPlyUnit);
}

}  // namespace

void thinkAndReply(ProtocolState& state, std::int64_t commandReadNs) {
    const std::int64_t budgetMs = moveBudgetMs(gameSettings.timeLeft, gameSettings.timeoutTurn);
    startSearchTimer(budgetMs, commandReadNs);
    limitSearchNodes(gameSettings.maxNodes);
    nodeCounters = NodeCounters{};
    // A MAX_MEMORY sent since the last START holds from this search on.
    fitTableToMemoryLimit();
    // Not at START: the manager sends its MAX_MEMORY after START, and the table of the default
    // limit must not be in memory under a smaller one.
    if (const std::int64_t searchNs = searchBudgetNs(budgetMs); searchNs > 0)
        bringTableIn(engineState.table, commandReadNs + searchNs / kTableFillShare);
    GameRecord& record = state.record;
    loadSearchPosition(engineState, record);
    const bool showDetail = gameSettings.showDetail != 0;
    const bool centre = engineState.history.empty() && !record.unavailable[kCentreCell];
    RootReport report;
    report.answer = RootAnswer::Opening;
    const Cell answer = centre
                            ? kCentreCell
                            : searchRoot(engineState, &report, lastDepthOf(gameSettings.maxDepth),
                                         showDetail ? writeIterationDetail : nullptr);
    if (answer >= kCellCount || record.board[answer] != kEmpty || record.unavailable[answer]) {
        writeError("Invalid coordinates");
        return;
    }
    if (showDetail) writeSearchDetail(engineState, report, answer);
    // The record holds the engine's move before the manager can read it and answer.
    record.board[answer] = record.colourToMove == kOwnStone ? kOwnStone : kOpponentStone;
    record.moves.push_back(answer);
    record.colourToMove = otherPlayer(record.colourToMove);
    writeLine(fmt::format("{},{}\n", cellColumn(answer), cellRow(answer)));
}

}  // namespace quoll

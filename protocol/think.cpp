#include "protocol/think.hpp"

#include <fmt/format.h>

#include "protocol/engine_state.hpp"
#include "protocol/replies.hpp"
#include "protocol/settings.hpp"
#include "protocol/start.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"
#include "tree/table.hpp"

namespace quoll {

void thinkAndReply(ProtocolState& state, std::int64_t commandReadNs) {
    const std::int64_t budgetMs = moveBudgetMs(gameSettings.timeLeft, gameSettings.timeoutTurn);
    startSearchTimer(budgetMs, commandReadNs);
    // A MAX_MEMORY sent since the last START holds from this search on.
    fitTableToMemoryLimit();
    // Not at START: the manager sends its MAX_MEMORY after START, and the table of the default
    // limit must not be in memory under a smaller one.
    if (const std::int64_t searchNs = searchBudgetNs(budgetMs); searchNs > 0)
        bringTableIn(engineState.table, commandReadNs + searchNs / kTableFillShare);
    GameRecord& record = state.record;
    loadSearchPosition(engineState, record);
    const bool centre = engineState.history.empty() && !record.unavailable[kCentreCell];
    const Cell answer = centre ? kCentreCell : searchRoot(engineState);
    if (answer >= kCellCount || record.board[answer] != kEmpty || record.unavailable[answer]) {
        writeError("Invalid coordinates");
        return;
    }
    // The record holds the engine's move before the manager can read it and answer.
    record.board[answer] = record.colourToMove == kOwnStone ? kOwnStone : kOpponentStone;
    record.moves.push_back(answer);
    record.colourToMove = otherPlayer(record.colourToMove);
    writeLine(fmt::format("{},{}\n", cellColumn(answer), cellRow(answer)));
}

}  // namespace quoll

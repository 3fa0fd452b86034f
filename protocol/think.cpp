#include "protocol/think.hpp"

#include <fmt/format.h>

#include "platform/clock.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/replies.hpp"
#include "protocol/settings.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"

namespace quoll {

void thinkAndReply(ProtocolState& state) {
    const std::int64_t budgetMs = moveBudgetMs(gameSettings.timeLeft, gameSettings.timeoutTurn);
    startSearchTimer(budgetMs, monotonicNowNs());
    GameRecord& record = state.record;
    loadSearchPosition(engineState, record);
    const Cell answer = engineState.history.empty() ? kCentreCell : searchRoot(engineState);
    if (answer >= kCellCount || record.board[answer] != kEmpty) {
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

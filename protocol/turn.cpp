#include "protocol/turn.hpp"

#include <spdlog/spdlog.h>

#include <algorithm>

#include "platform/clock.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"
#include "protocol/think.hpp"

namespace quoll {

void handleTurn(ProtocolState& state, const std::string& line) {
    const std::int64_t readNs = monotonicNowNs();
    if (state.mode != ProtocolMode::Playing) {
        writeError("This command cannot be used in current mode");
        return;
    }
    std::int16_t x = 0;
    std::int16_t y = 0;
    if (!scan(line, "TURN {},{}", x, y)) {
        writeError("Invalid syntax");
        return;
    }
    GameRecord& record = state.record;
    // Each coordinate on its own: 15,0 must not slip into the next row as cell 15.
    if (!isBoardCoordinate(x, y) || record.board[makeCell(y, x)] != kEmpty) {
        writeError("Invalid coordinates");
        return;
    }
    const Cell cell = makeCell(y, x);
    record.colourToMove = kOpponentStone;
    const auto own = std::count(record.board.begin(), record.board.end(), kOwnStone);
    const auto opponent = std::count(record.board.begin(), record.board.end(), kOpponentStone);
    if (own == opponent) {
        record.firstColour = kOpponentStone;
    } else if (opponent == own - 1) {
        record.firstColour = kOwnStone;
    } else {
        writeError("Invalid coordinates");
        return;
    }
    spdlog::info("Opponent moved to [{}]", cellText(static_cast<std::int16_t>(cell)));
    record.board[cell] = kOpponentStone;
    record.moves.push_back(cell);
    record.colourToMove = kOwnStone;
    thinkAndReply(state, readNs);
}

void handleBegin(ProtocolState& state) {
    const std::int64_t readNs = monotonicNowNs();
    const Board& board = state.record.board;
    const bool empty =
        std::all_of(board.begin(), board.end(), [](std::uint8_t stone) { return stone == kEmpty; });
    if (state.mode != ProtocolMode::Playing || !empty) {
        writeError("This command cannot be used in current mode");
        return;
    }
    state.record.firstColour = kOwnStone;
    state.record.colourToMove = kOwnStone;
    thinkAndReply(state, readNs);
}

}  // namespace quoll

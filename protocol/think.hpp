#pragma once
// The think step: the engine's answer for the record, recorded and written as the move reply.

#include "protocol/protocol_state.hpp"

namespace quoll {

// The share of a search budget that a move request spends bringing the table's pages into
// memory, until they all are: the first request after START usually brings in all of it.
inline constexpr std::int64_t kTableFillShare = 8;  // one eighth

// Sets the search timer from the settings, its clock started at `commandReadNs` (when the
// command asking for the move was read), fits the table to the memory limit and brings it into
// memory within its share of the budget, hands the record
// to the engine, and writes "x,y". On an empty move list the answer is the centre without a
// search, unless the centre is unavailable. An answer that is no free cell, or an unavailable
// one, is refused with an error and changes nothing.
void thinkAndReply(ProtocolState& state, std::int64_t commandReadNs);

// The stone value of the other player: 1 becomes 2, anything else becomes 1.
constexpr std::uint8_t otherPlayer(std::uint8_t player) {
    return player == kOwnStone ? kOpponentStone : kOwnStone;
}

// Coordinates that name a cell of the board, each from 0 to 14.
constexpr bool isBoardCoordinate(int x, int y) {
    return x >= 0 && x < kBoardSize && y >= 0 && y < kBoardSize;
}

}  // namespace quoll

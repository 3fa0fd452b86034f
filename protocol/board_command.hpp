#pragma once
// BOARD: a whole position, one row per line, closed by DONE.

#include "protocol/protocol_state.hpp"

namespace quoll {

// Reads the rows up to DONE through the line reader and builds a new record from them. Rows
// are moves in playing order: "x,y,p" names its player (1 the engine, 2 the opponent),
// "x,y" alternates with the row before it. Until a row names its player, the latest row is
// taken as the opponent's and the earlier ones alternate backwards from it. Errors are written
// here. A refused row is skipped, and the cell it names, if any, becomes unavailable; reading
// goes on to DONE, or to the end of the input, which closes the block as DONE would.
GameRecord readBoardRows();

// Replaces the record with the rows read, logs it and answers with the engine's move.
void handleBoard(ProtocolState& state);

}  // namespace quoll

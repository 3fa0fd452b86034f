#pragma once
// TURN (the opponent's move) and BEGIN (the engine opens the game).

#include <string>

#include "protocol/protocol_state.hpp"

namespace quoll {

// "TURN x,y": the opponent's stone on a free cell, then the engine's answer.
void handleTurn(ProtocolState& state, const std::string& line);

// The engine's first move on an empty board.
void handleBegin(ProtocolState& state);

}  // namespace quoll

#pragma once
// Search preparation: the game record copied into the engine record, window codes rebuilt.

#include "board/state.hpp"

namespace quoll {

void loadSearchPosition(EngineState& state, const GameRecord& record);

}  // namespace quoll

#pragma once
// The one process-wide engine record the search works on; START sizes its table.

#include "board/state.hpp"

namespace quoll {

extern EngineState engineState;

}  // namespace quoll

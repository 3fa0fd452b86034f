#include "protocol/engine_state.hpp"

namespace quoll {

EngineState engineState;

}  // namespace quoll

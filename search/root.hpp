#pragma once
// Root search: forced moves by rule, then iterative deepening over the root candidates.

#include <cstdint>

#include "board/state.hpp"

namespace quoll {

inline constexpr Depth kRootStartDepth = 48;

// What the last searchRoot call did, for benchmarks and tests.
struct RootReport {
    bool searched = false;  // false when a rule or the table answered without a tree search
    Depth lastCompletedDepth = 0;
    Score bestScore = 0;
};

// The engine's move in the loaded position (engine to move), or kNoCell when it has none. It is
// never one of the state's unavailable cells.
// `lastDepth`, when set, ends the deepening after the iteration of that depth (benchmarks).
Cell searchRoot(EngineState& state, RootReport* report = nullptr, Depth lastDepth = 0);

}  // namespace quoll

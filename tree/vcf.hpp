#pragma once
// Search for a win by continuous fours: the attacker plays only fours, the defender only blocks.

#include "board/state.hpp"
#include "tree/child_move.hpp"

namespace quoll {

// Attacker to move; frame.last is the defender's latest block, frame.four the attacker's latest
// four stone.
template <Colour Attacker>
Score vcfAttack(EngineState& state, const VcfFrame& frame, Depth budget, Ply ply, Score alpha,
                Score beta);

// Defender to move; frame.last is the attacker's latest four stone.
template <Colour Attacker>
Score vcfDefend(EngineState& state, const VcfFrame& frame, Depth budget, Ply ply, Score alpha,
                Score beta);

}  // namespace quoll

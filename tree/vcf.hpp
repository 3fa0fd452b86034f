#pragma once
// Search for a win by continuous fours: the attacker plays only fours, the defender only blocks.

#include "board/state.hpp"
#include "board/threats.hpp"

namespace quoll {

// Attacker to move; `last` is the defender's latest block, `prev` the attacker's latest four.
template <Colour Attacker>
Score vcfAttack(EngineState& state, Depth budget, Ply ply, Score alpha, Score beta,
                const ThreatTracker& attackerThreats, const ThreatTracker& defenderThreats,
                Cell prev, Cell last);

// Defender to move; `last` is the attacker's latest four stone.
template <Colour Attacker>
Score vcfDefend(EngineState& state, Depth budget, Ply ply, Score alpha, Score beta,
                const ThreatTracker& defenderThreats, const ThreatTracker& attackerThreats,
                Cell prev, Cell last);

}  // namespace quoll

#pragma once
// The one-ply search at the leaves: every admissible move scored as eval + gain - 40.

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"

namespace quoll {

template <Colour Us>
Score horizonSearch(EngineState& state, Ply ply, Score eval, Score alpha, Score beta,
                    const GainMap& ownGains, const CandidateList& parent,
                    const ThreatTracker& ownThreats, const ThreatTracker& otherThreats);

}  // namespace quoll

#pragma once
// The consistency check of a search frame: everything kept incrementally (window codes, gain
// maps, threat trackers, candidate list and neighbour counters) rebuilt from the board alone and
// compared. Tests call it directly; builds with QUOLL_CHECKS run it at every tree node.

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"

namespace quoll {

// nullptr when everything matches the board; otherwise a text naming the first difference.
// Maps and trackers are given by colour (own = the engine's). The list is compared as a set
// over cells[0, size) with the counters it refers to. Uses no heap.
const char* findInconsistency(const EngineState& state, const GainMap& ownGains,
                              const GainMap& opponentGains, const ThreatTracker& ownThreats,
                              const ThreatTracker& opponentThreats, const CandidateList& list);

// Aborts with the difference on standard error when the frame is inconsistent.
void checkConsistency(const EngineState& state, const GainMap& ownGains,
                      const GainMap& opponentGains, const ThreatTracker& ownThreats,
                      const ThreatTracker& opponentThreats, const CandidateList& list);

}  // namespace quoll

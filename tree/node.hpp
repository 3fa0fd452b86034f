#pragma once
// The recursive principal-variation (pvSearch) and zero-window (nonPvSearch) nodes.

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"
#include "tree/table.hpp"

namespace quoll {

// One body for both node kinds, instantiated per side to move. The move that led to the node is
// parent.cells[parent.cur], played by the other side; its stone is on the board but not yet in
// the window codes. Trackers are as they were before that move; `key` is the caller's key.
template <Colour Us, NodeKind Kind>
Score searchNode(EngineState& state, Depth depth, Ply ply, Score eval, Score alpha, Score beta,
                 const GainMap& ownGains, const GainMap& otherGains, const CandidateList& parent,
                 const ThreatTracker& ownThreats, const ThreatTracker& otherThreats, HashKey key);

template <Colour Us>
inline Score pvSearch(EngineState& state, Depth depth, Ply ply, Score eval, Score alpha,
                      Score beta, const GainMap& ownGains, const GainMap& otherGains,
                      const CandidateList& parent, const ThreatTracker& ownThreats,
                      const ThreatTracker& otherThreats, HashKey key) {
    return searchNode<Us, NodeKind::Pv>(state, depth, ply, eval, alpha, beta, ownGains, otherGains,
                                        parent, ownThreats, otherThreats, key);
}

template <Colour Us>
inline Score nonPvSearch(EngineState& state, Depth depth, Ply ply, Score eval, Score alpha,
                         Score beta, const GainMap& ownGains, const GainMap& otherGains,
                         const CandidateList& parent, const ThreatTracker& ownThreats,
                         const ThreatTracker& otherThreats, HashKey key) {
    return searchNode<Us, NodeKind::NonPv>(state, depth, ply, eval, alpha, beta, ownGains,
                                           otherGains, parent, ownThreats, otherThreats, key);
}

}  // namespace quoll

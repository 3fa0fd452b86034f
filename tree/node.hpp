#pragma once
// The recursive principal-variation (pvSearch) and zero-window (nonPvSearch) nodes.

#include "board/state.hpp"
#include "tree/child_move.hpp"
#include "tree/table.hpp"

namespace quoll {

// One body for both node kinds, instantiated per side to move; `frame` holds the records before
// the move that led to the node (see NodeFrame).
template <Colour Us, NodeKind Kind>
Score searchNode(EngineState& state, const NodeFrame& frame, Depth depth, Ply ply, Score alpha,
                 Score beta);

template <Colour Us>
inline Score pvSearch(EngineState& state, const NodeFrame& frame, Depth depth, Ply ply, Score alpha,
                      Score beta) {
    return searchNode<Us, NodeKind::Pv>(state, frame, depth, ply, alpha, beta);
}

template <Colour Us>
inline Score nonPvSearch(EngineState& state, const NodeFrame& frame, Depth depth, Ply ply,
                         Score alpha, Score beta) {
    return searchNode<Us, NodeKind::NonPv>(state, frame, depth, ply, alpha, beta);
}

}  // namespace quoll

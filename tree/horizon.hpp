#pragma once
// The one-ply search at the leaves: every admissible move scored as eval + gain - 40.

#include "board/state.hpp"
#include "tree/child_move.hpp"

namespace quoll {

// Reads the frame's gains of the side to move, its parent list and trackers; not its other gains
// nor its key.
template <Colour Us>
Score horizonSearch(EngineState& state, const NodeFrame& frame, Ply ply, Score alpha, Score beta);

}  // namespace quoll

#pragma once
// What the nodes of the tree search may expect on entry, checked in checking builds
// (QUOLL_CHECKS), where a broken contract stops the program.

#include "board/geometry.hpp"
#include "board/state.hpp"
#include "tree/pruning.hpp"
#include "tree/table.hpp"
#ifdef QUOLL_CHECKS
#include <cstdio>
#include <cstdlib>
#endif

namespace quoll {

// The deepest a tree node can be: the root deepens to at most one ply per cell, and each ply
// below it adds at most the forced block's extension less the ply.
inline constexpr int kMaxNodeDepth =
    (kCellCount + 1) * kPlyUnit + kMaxPly * (kDepthExtension[3] - kPlyUnit);
// A four sequence starts below a node short of kMaxPly and lasts at most its budget.
inline constexpr int kMaxVcfPly = kMaxPly + kVcfBudgetPv / kPlyUnit;

inline void checkContract([[maybe_unused]] bool holds, [[maybe_unused]] const char* what) {
#ifdef QUOLL_CHECKS
    if (!holds) {
        std::fprintf(stderr, "search node entered against its contract: %s\n", what);
        std::abort();
    }
#endif
}

// A tree node: a non-empty window, one wide at a zero-window node; a positive depth; a ply from
// the root's children to the horizon. One zero-window node gets a wider window: when the block of
// a four makes a double four, the four sequence after it returns its loss score below its window,
// and the block's child takes that score as its alpha.
template <NodeKind Kind>
inline void checkNodeContract([[maybe_unused]] Depth depth, [[maybe_unused]] Ply ply,
                              [[maybe_unused]] Score alpha, [[maybe_unused]] Score beta) {
#ifdef QUOLL_CHECKS
    checkContract(alpha < beta, "alpha < beta");
    if constexpr (Kind == NodeKind::NonPv)
        checkContract(beta == alpha + 1 || alpha <= -kWinThreshold, "beta == alpha + 1");
    checkContract(depth >= 1 && depth <= kMaxNodeDepth, "depth in range");
    checkContract(ply >= 1 && ply <= kMaxPly, "ply in range");
#endif
}

// A horizon or four-sequence node: a non-empty window and a ply up to `maxPly`.
inline void checkLeafContract([[maybe_unused]] Ply ply, [[maybe_unused]] Score alpha,
                              [[maybe_unused]] Score beta, [[maybe_unused]] int maxPly) {
#ifdef QUOLL_CHECKS
    checkContract(alpha < beta, "alpha < beta");
    checkContract(ply >= 1 && ply <= maxPly, "ply in range");
#endif
}

// The move that led to a node, colour Mover's: its stone is on the board (the parent's
// ChildMove) and not yet in the window codes (the node's own StoneGuard places it, if any).
// One window through the cell tells: its Mover digit counts the board's stones but this one.
template <Colour Mover>
inline void checkMoveOnBoardOnly([[maybe_unused]] const EngineState& state,
                                 [[maybe_unused]] Cell move) {
#ifdef QUOLL_CHECKS
    checkContract(state.board[move] == kStone<Mover>, "the move's stone on the board");
    const int w = kCellWindowRanges[move][0].first;  // every cell lies in a window of its row
    int stones = 0;
    for (int i = 0; i < 5; ++i) stones += state.board[windowCell(w, i)] == kStone<Mover>;
    checkContract(state.windowCodes[w] / kInUnit<Mover> % 6 == stones - 1,
                  "the move's stone not yet in the window codes");
#endif
}

}  // namespace quoll

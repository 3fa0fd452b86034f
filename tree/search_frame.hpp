#pragma once
// Helpers shared by the node kinds of the tree search.

#include <cstdint>
#include <optional>
#ifdef QUOLL_CHECKS
#include <cstdio>
#include <cstdlib>
#endif

#include "board/state.hpp"
#include "board/types.hpp"
#include "tree/pruning.hpp"
#include "tree/table.hpp"

namespace quoll {

// A stone written on the board for a child search, cleared on every way out.
class BoardStone {
  public:
    BoardStone(std::uint8_t* board, Cell cell, std::uint8_t stone) : board_(board), cell_(cell) {
        board_[cell_] = stone;
    }
    ~BoardStone() { board_[cell_] = kEmpty; }
    BoardStone(const BoardStone&) = delete;
    BoardStone& operator=(const BoardStone&) = delete;

  private:
    std::uint8_t* board_;
    Cell cell_;
};

// Starts loading the table slot of the child that plays `cell`, for the probe it makes first
// thing: its key is this node's key with the stone.
inline void prefetchChildSlot(const TranspositionTable& table, HashKey key, Cell cell,
                              std::uint8_t stone) {
    updateKey(key, cell, stone);
    prefetchSlot(table, key.key);
}

// The same for the children that play cells[first, end).
inline void prefetchChildSlots(const TranspositionTable& table, HashKey key, const Cell* cells,
                               int first, int end, std::uint8_t stone) {
    for (int i = first; i < end; ++i) prefetchChildSlot(table, key, cells[i], stone);
}

// Mate-distance bounds: the quickest win and the slowest loss still possible at this ply bound
// the window. Each returns the node's score when the narrowed window is empty.
inline std::optional<Score> boundByWin(int ply, Score alpha, Score& beta) {
    const Score w = winBound(ply);
    if (w < beta) {
        beta = w;
        if (alpha >= w) return w;
    }
    return std::nullopt;
}

inline std::optional<Score> boundByLoss(int ply, Score& alpha, Score beta) {
    const Score l = lossScore(ply, 4);
    if (alpha < l) {
        alpha = l;
        if (l >= beta) return l;
    }
    return std::nullopt;
}

// The deepest a tree node can be: the root deepens to at most one ply per cell, and each ply
// below it adds at most the forced block's extension less the ply.
inline constexpr int kMaxNodeDepth =
    (kCellCount + 1) * kPlyUnit + kMaxPly * (kDepthExtension[3] - kPlyUnit);
// A four sequence starts below a node short of kMaxPly and lasts at most its budget.
inline constexpr int kMaxVcfPly = kMaxPly + kVcfBudgetPv / kPlyUnit;

// In checking builds: a broken contract of a node on entry stops the program.
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

// Fail-hard return of a decided score found by the threat tests.
inline Score clampToWindow(Score s, Score alpha, Score beta) {
    if (s > beta) return beta;
    return s > alpha ? s : alpha;
}

}  // namespace quoll

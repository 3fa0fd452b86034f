#pragma once
// Fixed numbers of the tree search (margins, extensions, budgets), and the decided scores and
// mate-distance bounds by ply.

#include <algorithm>
#include <array>
#include <optional>

#include "board/types.hpp"

namespace quoll {

inline constexpr int kMarginTableSize = 50;  // depth indexes 0..49; deeper nodes use index 49

// Futility: a node whose static score lies this far below alpha or more takes alpha at once. The
// margin grows with the plies left, in which the side to move can still gain, and is 15 more at
// odd depths, where the side to move also has the last move.
constexpr std::array<int, kMarginTableSize> makeFutilityMargins() {
    std::array<int, kMarginTableSize> margins{};
    for (int d = 0; d < kMarginTableSize; ++d) margins[d] = (d % 2 == 0 ? 40 : 55) + 55 * d;
    return margins;
}
inline constexpr std::array<int, kMarginTableSize> kFutilityMargin = makeFutilityMargins();

// Reverse futility: a node whose static score plus this margin reaches beta takes beta at once.
// It lies above beta by the other side's futility margin one ply down (it moves next), less 40.
// Index 0 is never read by a tree node, whose depth is above one ply.
constexpr std::array<int, kMarginTableSize> makeReverseMargins() {
    std::array<int, kMarginTableSize> margins{};
    margins[0] = 40;
    for (int d = 1; d < kMarginTableSize; ++d) margins[d] = 40 - kFutilityMargin[d - 1];
    return margins;
}
inline constexpr std::array<int, kMarginTableSize> kReverseMargin = makeReverseMargins();

// Index into the margin tables for a node depth; the root can hand out depths of fifty plies
// and more, which share the last entry.
constexpr int marginIndex(Depth depth) {
    return std::clamp(depth / kPlyUnit, 0, kMarginTableSize - 1);
}

// Extra depth of a principal-variation child: none, after the combination filter, after the
// multi-four filter, and for the forced block of a four.
inline constexpr std::array<Depth, 4> kDepthExtension = {0, 6, 4, 19};

// How deep the four sequence after a forced block looks: principal-variation nodes, whose score
// is exact, three plies deeper.
inline constexpr Depth kVcfBudgetNonPv = 180;  // 15 plies
inline constexpr Depth kVcfBudgetPv = 216;     // 18 plies

// A horizon move is scored without the other side's reply, so its gain is taken 40 points lower.
inline constexpr int kHorizonOffset = 40;
// A horizon node has one ply left: the futility margin of depth index 1.
inline constexpr int kHorizonFutilityMargin = kFutilityMargin[1];

// Decided scores by the ply of the node that sees them.
constexpr Score lossScore(int ply, int fivesAhead) {
    return static_cast<Score>((ply + fivesAhead) - kWinScore);
}
constexpr Score winBound(int ply) { return static_cast<Score>(kWinScore - (ply + 3)); }

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

// Fail-hard return of a decided score found by the threat tests.
inline Score clampToWindow(Score s, Score alpha, Score beta) {
    if (s > beta) return beta;
    return s > alpha ? s : alpha;
}

}  // namespace quoll

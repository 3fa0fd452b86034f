#pragma once
// Fixed numbers of the tree search: margins, extensions, budgets.

#include <algorithm>
#include <array>

#include "board/types.hpp"

namespace quoll {

inline constexpr int kMarginTableSize = 50;  // depth indexes 0..49; deeper nodes use index 49

constexpr std::array<int, kMarginTableSize> makeFutilityMargins() {
    std::array<int, kMarginTableSize> margins{};
    for (int d = 0; d < kMarginTableSize; ++d) margins[d] = (d % 2 == 0 ? 40 : 55) + 55 * d;
    return margins;
}
inline constexpr std::array<int, kMarginTableSize> kFutilityMargin = makeFutilityMargins();

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

inline constexpr Depth kVcfBudgetNonPv = 180;  // 15 plies
inline constexpr Depth kVcfBudgetPv = 216;     // 18 plies

inline constexpr int kHorizonOffset = 40;
inline constexpr int kHorizonFutilityMargin = kFutilityMargin[1];

// Decided scores by the ply of the node that sees them.
constexpr Score lossScore(int ply, int fivesAhead) {
    return static_cast<Score>((ply + fivesAhead) - kWinScore);
}
constexpr Score winBound(int ply) { return static_cast<Score>(kWinScore - (ply + 3)); }

}  // namespace quoll

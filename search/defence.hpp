#pragma once
// Defence masks: the cells from which the side to move still meets every four-three combination
// the other side could start with its next move. 0x80 marks a cell that defends.

#include <array>
#include <cstdint>

#include "board/threats.hpp"
#include "search/candidates.hpp"

namespace quoll {

inline constexpr std::uint8_t kDefends = 0x80;

using DefenceMask = std::array<std::uint8_t, kCellCount>;

// Examines the attacker's moves at every cell of the list (all of cells[0, size)).
DefenceMask& defenceMaskForList(DefenceMask& mask, const ThreatTracker& defender,
                                const ThreatTracker& attacker, const CandidateList& list);

// Examines the attacker's moves at every cell of the board.
DefenceMask& defenceMaskForBoard(DefenceMask& mask, const ThreatTracker& defender,
                                 const ThreatTracker& attacker);

}  // namespace quoll

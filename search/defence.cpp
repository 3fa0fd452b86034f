#include "search/defence.hpp"

#include <algorithm>
#include <cstring>

namespace quoll {

namespace {

// Adds the marks of the attacker's four-three move at x to the mask and narrows it to the cells
// that meet this combination too. A move that makes no four and three at once marks nothing.
void examineAttackerMove(DefenceMask& mask, const ThreatTracker& defender,
                         const ThreatTracker& attacker, Cell x) {
    const std::uint16_t four = attacker.fourSlot[x];
    const bool singleFour = isSinglePartner(four);
    Cell reply = kNoCell;
    if (singleFour) {
        // The defender must answer at the completion cell; if that gives it a double four,
        // the combination is no threat.
        const std::uint16_t blockSlot = defender.fourSlot[four];
        if (isFourGroup(blockSlot)) return;
        reply = blockSlot;
    }
    const ThreeLink* links = attacker.links;
    // How many of x's threes (other than through the four's completion) each cell is part of.
    std::array<std::uint8_t, kCellCount> threeCount{};
    for (std::uint16_t l = attacker.threeHead[x]; l != kNoLink; l = links[l].next) {
        const ThreeLink& link = links[l];
        if (singleFour && (link.first == four || link.second == four)) continue;
        ++threeCount[link.first];
        ++threeCount[link.second];
    }
    int marks = 0;  // what a cell must collect from this move to still defend
    auto examine = [&](Cell cell, Cell other) {
        if (threeCount[cell] == 2) {
            mask[cell] = static_cast<std::uint8_t>(mask[cell] + 1);
            ++marks;
            mask[other] = static_cast<std::uint8_t>(mask[other] + 2);
        } else if (threeCount[cell] > 2) {
            ++marks;
            mask[cell] = static_cast<std::uint8_t>(mask[cell] + 1);
        }
    };
    for (std::uint16_t l = attacker.threeHead[x]; l != kNoLink; l = links[l].next) {
        const ThreeLink& link = links[l];
        if (reply == kNoCell || reply == link.first) examine(link.first, link.second);
        if (reply == kNoCell || reply == link.second) examine(link.second, link.first);
    }
    if (marks == 0) return;
    auto add = [&](Cell cell) { mask[cell] = static_cast<std::uint8_t>(mask[cell] + marks); };
    add(x);
    if (singleFour) {
        add(four);
        for (std::uint16_t l = defender.threeHead[four]; l != kNoLink; l = defender.links[l].next) {
            const ThreeLink& link = defender.links[l];
            if (threeCount[link.first] < 2 || reply != kNoCell) add(link.second);
            if (threeCount[link.second] < 2 || reply != kNoCell) add(link.first);
        }
    }
    // A byte comparison keeps the loop narrow; beyond a byte's range no cell keeps its mark.
    if (kDefends + marks > 0xFF) {
        mask.fill(0);
        return;
    }
    const auto threshold = static_cast<std::uint8_t>(kDefends + marks);
    for (std::uint8_t& entry : mask) entry = entry >= threshold ? kDefends : 0;
}

// Whether none of the four cells from `first` on has a four partner, by one comparison.
inline bool noFourPartnerAmongFour(const ThreatTracker& tracker, int first) {
    constexpr std::uint64_t kFourEmptySlots = kNoCell * 0x0001000100010001;
    std::uint64_t slots;
    std::memcpy(&slots, &tracker.fourSlot[first], sizeof slots);
    return slots == kFourEmptySlots;
}

}  // namespace

DefenceMask& defenceMaskForList(DefenceMask& mask, const ThreatTracker& defender,
                                const ThreatTracker& attacker, const CandidateList& list) {
    mask.fill(kDefends);
    // The cells where the attacker would start a combination: most often there are none, and the
    // scan ends once it has met them all.
    int unmet = attacker.combinationCells;
    for (int i = 0; unmet > 0 && i < list.size; ++i)
        if (startsCombination(attacker, list.cells[i])) {
            examineAttackerMove(mask, defender, attacker, list.cells[i]);
            --unmet;
        }
    return mask;
}

DefenceMask& defenceMaskForBoard(DefenceMask& mask, const ThreatTracker& defender,
                                 const ThreatTracker& attacker) {
    mask.fill(kDefends);
    int unmet = attacker.combinationCells;
    // Four cells at a time: most have no four partner, and one comparison passes over them.
    for (int block = 0; unmet > 0 && block < kCellCount; block += 4) {
        if (block + 4 <= kCellCount && noFourPartnerAmongFour(attacker, block)) continue;
        for (int cell = block; unmet > 0 && cell < std::min(block + 4, kCellCount); ++cell)
            if (startsCombination(attacker, static_cast<Cell>(cell))) {
                examineAttackerMove(mask, defender, attacker, static_cast<Cell>(cell));
                --unmet;
            }
    }
    return mask;
}

}  // namespace quoll

#include "search/defence.hpp"

namespace quoll {

namespace {

// Adds the marks of the attacker's possible move at x to the mask and narrows it to the cells
// that meet this combination too.
void examineAttackerMove(DefenceMask& mask, const ThreatTracker& defender,
                         const ThreatTracker& attacker, Cell x) {
    const std::uint16_t four = attacker.fourSlot[x];
    if (four == kNoCell) return;                          // no four there
    if (attacker.threeHead[x] == kNoLink) return;         // no three there
    const bool singleFour = isSinglePartner(four);
    Cell reply = kNoCell;
    if (singleFour) {
        // The defender must answer at the completion cell; if that gives it a double four,
        // the combination is no threat.
        const std::uint16_t own = defender.fourSlot[four];
        if (isFourGroup(own)) return;
        reply = own;
    }
    const ThreeLink* links = attacker.links;
    std::array<std::uint8_t, kCellCount> cnt{};
    for (std::uint16_t l = attacker.threeHead[x]; l != kNoLink; l = links[l].next) {
        const ThreeLink& link = links[l];
        if (singleFour && (link.first == four || link.second == four)) continue;
        ++cnt[link.first];
        ++cnt[link.second];
    }
    int t = 0;
    auto examine = [&](Cell cell, Cell other) {
        if (cnt[cell] == 2) {
            mask[cell] = static_cast<std::uint8_t>(mask[cell] + 1);
            ++t;
            mask[other] = static_cast<std::uint8_t>(mask[other] + 2);
        } else if (cnt[cell] > 2) {
            ++t;
            mask[cell] = static_cast<std::uint8_t>(mask[cell] + 1);
        }
    };
    for (std::uint16_t l = attacker.threeHead[x]; l != kNoLink; l = links[l].next) {
        const ThreeLink& link = links[l];
        if (reply == kNoCell || reply == link.first) examine(link.first, link.second);
        if (reply == kNoCell || reply == link.second) examine(link.second, link.first);
    }
    if (t == 0) return;
    auto add = [&](Cell cell) { mask[cell] = static_cast<std::uint8_t>(mask[cell] + t); };
    add(x);
    if (singleFour) {
        add(four);
        for (std::uint16_t l = defender.threeHead[four]; l != kNoLink; l = defender.links[l].next) {
            const ThreeLink& link = defender.links[l];
            if (cnt[link.first] < 2 || reply != kNoCell) add(link.second);
            if (cnt[link.second] < 2 || reply != kNoCell) add(link.first);
        }
    }
    for (std::uint8_t& entry : mask) entry = entry >= kDefends + t ? kDefends : 0;
}

}  // namespace

DefenceMask& defenceMaskForList(DefenceMask& mask, const ThreatTracker& defender,
                                const ThreatTracker& attacker, const CandidateList& list) {
    mask.fill(kDefends);
    for (int i = 0; i < list.size; ++i) examineAttackerMove(mask, defender, attacker, list.cells[i]);
    return mask;
}

DefenceMask& defenceMaskForBoard(DefenceMask& mask, const ThreatTracker& defender,
                                 const ThreatTracker& attacker) {
    mask.fill(kDefends);
    for (int cell = 0; cell < kCellCount; ++cell)
        examineAttackerMove(mask, defender, attacker, static_cast<Cell>(cell));
    return mask;
}

}  // namespace quoll

#include "testkit/consistency.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "board/geometry.hpp"

namespace quoll {

namespace {

constexpr int kMaxListed = 64;

// The four partners of a cell, sorted.
int fourPartners(const ThreatTracker& tracker, Cell cell, std::array<Cell, kMaxListed>& out) {
    const std::uint16_t slot = tracker.fourSlot[cell];
    int count = 0;
    if (isSinglePartner(slot)) out[count++] = slot;
    else if (isFourGroup(slot)) {
        const FourGroup& group = tracker.fourGroups[slot - kGroupBase];
        for (int i = 0; i < group.count && count < kMaxListed; ++i)
            out[count++] = group.partners[i];
    }
    std::sort(out.begin(), out.begin() + count);
    return count;
}

// The three links of a cell as ordered pairs packed into one number each, sorted.
int threeLinks(const ThreatTracker& tracker, Cell cell, std::array<int, kMaxListed>& out) {
    int count = 0;
    for (std::uint16_t l = tracker.threeHead[cell]; l != kNoLink && count < kMaxListed;
         l = tracker.links[l].next) {
        const ThreeLink& link = tracker.links[l];
        out[count++] =
            std::min(link.first, link.second) * kCellCount + std::max(link.first, link.second);
    }
    std::sort(out.begin(), out.begin() + count);
    return count;
}

const char* compareTrackers(const ThreatTracker& kept, const ThreatTracker& fresh) {
    int groups = 0, combinations = 0;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (startsCombination(kept, static_cast<Cell>(cell))) ++combinations;
        const std::uint16_t slot = kept.fourSlot[cell];
        if (isFourGroup(slot)) {
            ++groups;
            if (slot - kGroupBase >= kept.fourGroupCount)
                return "a four slot names an unused group";
            if (kept.fourGroups[slot - kGroupBase].owner != cell)
                return "a group's owner does not name it";
        }
        std::array<Cell, kMaxListed> a, b;
        const int na = fourPartners(kept, static_cast<Cell>(cell), a);
        const int nb = fourPartners(fresh, static_cast<Cell>(cell), b);
        if (na != nb || !std::equal(a.begin(), a.begin() + na, b.begin()))
            return "four partners differ";
        std::array<int, kMaxListed> x, y;
        const int nx = threeLinks(kept, static_cast<Cell>(cell), x);
        const int ny = threeLinks(fresh, static_cast<Cell>(cell), y);
        if (nx != ny || !std::equal(x.begin(), x.begin() + nx, y.begin()))
            return "three lists differ";
    }
    if (groups != kept.fourGroupCount) return "the group count differs from the groups named";
    if (combinations != kept.combinationCells)
        return "the combination count differs from the cells";
    return nullptr;
}

template <Colour C>
const char* compareGains(const EngineState& state, const GainMap& kept) {
    static GainMap fresh;
    buildGainMap<C>(fresh, state.board.data(), state.windowCodes.data());
    for (int cell = 0; cell < kCellCount; ++cell)
        if (state.board[cell] == kEmpty && kept.gain[cell] != fresh.gain[cell])
            return "gains differ";
    return nullptr;
}

template <Colour C>
const char* compareThreats(const EngineState& state, const ThreatTracker& kept) {
    static LinkPool pool;
    static ThreatTracker fresh;
    buildThreatTracker<C>(fresh, state.board.data(), state.windowCodes.data(), pool);
    return compareTrackers(kept, fresh);
}

const char* compareList(const EngineState& state, const CandidateList& list) {
    std::array<std::uint8_t, kCellCount> counted{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (state.board[cell] == kEmpty) continue;
        const NeighbourList& neighbours = kNeighbourCells[cell];
        for (int i = 0; i < neighbours[kNeighbourCountSlot]; ++i) ++counted[neighbours[i]];
    }
    for (Cell cell = 0; cell < kCellCount; ++cell)
        if (counted[cell] != list.neighbourCount[counterIndex(cell)])
            return "neighbour counters differ";
    std::array<bool, kCellCount> listed{};
    for (int i = 0; i < list.size; ++i) {
        const Cell cell = list.cells[i];
        if (cell >= kCellCount || listed[cell])
            return "a candidate is off the board or listed twice";
        listed[cell] = true;
    }
    for (int cell = 0; cell < kCellCount; ++cell)
        if (listed[cell] != (state.board[cell] == kEmpty && counted[cell] >= 1))
            return "candidates differ";
    return nullptr;
}

}  // namespace

const char* findInconsistency(const EngineState& state, const GainMap& ownGains,
                              const GainMap& opponentGains, const ThreatTracker& ownThreats,
                              const ThreatTracker& opponentThreats, const CandidateList& list) {
    WindowCodes codes;
    rebuildWindowCodes(state.board, codes);
    if (codes != state.windowCodes) return "window codes differ";
    if (const char* difference = compareGains<Colour::Own>(state, ownGains)) return difference;
    if (const char* difference = compareGains<Colour::Opponent>(state, opponentGains))
        return difference;
    if (const char* difference = compareThreats<Colour::Own>(state, ownThreats)) return difference;
    if (const char* difference = compareThreats<Colour::Opponent>(state, opponentThreats))
        return difference;
    return compareList(state, list);
}

void checkConsistency(const EngineState& state, const GainMap& ownGains,
                      const GainMap& opponentGains, const ThreatTracker& ownThreats,
                      const ThreatTracker& opponentThreats, const CandidateList& list) {
    if (const char* difference =
            findInconsistency(state, ownGains, opponentGains, ownThreats, opponentThreats, list)) {
        std::fprintf(stderr, "search state inconsistent with the board: %s\n", difference);
        std::abort();
    }
}

}  // namespace quoll

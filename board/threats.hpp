#pragma once
// Threat tracker, one per colour: which empty cells make a four (with the cell that then
// completes the five) and which make a three (with the two cells that then become fours).
// A plain record copied into every search node; the three lists live in a pool of links shared
// by all copies of one search and are never changed once written (path copying on removal).

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

#include "board/state.hpp"
#include "board/types.hpp"
#include "board/windows.hpp"

namespace quoll {

inline constexpr std::uint16_t kGroupBase = 32000;
inline constexpr int kMaxFourGroups = 50;
inline constexpr int kMaxGroupPartners = 8;

// The pool grows with the depth of the search line (tree plies, then the four sequences); this
// capacity leaves a wide margin over the deepest lines measured. kNoLink lies beyond it.
inline constexpr int kLinkPoolSize = 32768;
inline constexpr std::uint16_t kNoLink = 0xFFFF;

struct FourGroup {
    std::array<Cell, kMaxGroupPartners> partners;
    std::uint16_t count;  // partners in use, 2..8
    Cell owner;           // the cell whose fourSlot names this record
};

struct ThreeLink {
    Cell first;
    Cell second;
    std::uint16_t next;
};

struct LinkPool {
    std::array<ThreeLink, kLinkPoolSize> links;
};

// The tracker's per-cell records, in a record of their own so that a copy takes both in one piece.
struct TrackerCells {
    // Per cell: kNoCell, the one four partner, or kGroupBase + g naming fourGroups[g].
    std::array<std::uint16_t, kCellCount> fourSlot;
    std::array<std::uint16_t, kCellCount> threeHead;  // first link of the cell's list, or kNoLink
};

struct ThreatTracker : TrackerCells {
    const std::uint8_t* board;
    const WindowCode* codes;
    std::array<FourGroup, kMaxFourGroups> fourGroups;
    ThreeLink* links;
    std::uint16_t fourGroupCount;
    std::uint16_t linkCount;
    // Cells with both a four partner and a three: where a move would make a four-three.
    std::uint16_t combinationCells;
};
static_assert(std::is_trivially_copyable_v<ThreatTracker>);

// A copy for a child node: the group records past the count are never read and most of them
// are unused, so only the groups in use are copied.
inline void copyTrackerInto(ThreatTracker& copy, const ThreatTracker& from) {
    copy.board = from.board;
    copy.codes = from.codes;
    static_cast<TrackerCells&>(copy) = from;
    std::copy_n(from.fourGroups.begin(), from.fourGroupCount, copy.fourGroups.begin());
    copy.links = from.links;
    copy.fourGroupCount = from.fourGroupCount;
    copy.linkCount = from.linkCount;
    copy.combinationCells = from.combinationCells;
}

constexpr bool isFourGroup(std::uint16_t slot) { return slot >= kGroupBase && slot < kNoCell; }
constexpr bool isSinglePartner(std::uint16_t slot) { return slot < kCellCount; }

// Whether a move at x would make a four and a three at once.
inline bool startsCombination(const ThreatTracker& tracker, Cell x) {
    return tracker.fourSlot[x] != kNoCell && tracker.threeHead[x] != kNoLink;
}

// Calls visit(x) for every cell x with a four partner, in cell order. Eight slots are compared
// at once: most cells have none.
template <typename Visit>
void forEachFourCell(const ThreatTracker& tracker, Visit visit) {
    const __m128i none = _mm_set1_epi16(static_cast<short>(kNoCell));
    for (int first = 0; first < kCellCount; first += 8) {
        // The last load reads on into threeHead, which the mask cuts off.
        const __m128i slots =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(tracker.fourSlot.data() + first));
        auto bits =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(slots, none))) ^ 0xFFFFu;
        if (first + 8 > kCellCount) bits &= (1u << 2 * (kCellCount - first)) - 1;
        while (bits != 0) {
            const int lane = std::countr_zero(bits) / 2;
            bits &= ~(3u << 2 * lane);
            visit(static_cast<Cell>(first + lane));
        }
    }
}

// High-water marks over all trackers since the last reset, and the facts dropped for lack of
// room; read by tests and tools to show that the capacities hold.
struct TrackerUsage {
    int maxLinkCount = 0;
    int maxFourGroups = 0;
    int droppedFacts = 0;
};
extern TrackerUsage trackerUsage;

// Removes the cell's four pairs and threes, from its own records and its partners'.
void clearTrackerRecords(ThreatTracker& tracker, Cell cell);

// Whether the cell is a four partner or in a three.
inline bool hasTrackerRecords(const ThreatTracker& tracker, Cell cell) {
    return tracker.fourSlot[cell] != kNoCell || tracker.threeHead[cell] != kNoLink;
}

// A stone on `cell`: it is no longer a four partner nor in a three. Inline, as most cells have
// no records to clear.
inline void clearTrackerCell(ThreatTracker& tracker, Cell cell) {
    if (hasTrackerRecords(tracker, cell)) clearTrackerRecords(tracker, cell);
}

// The tracker after a stone of the other colour on `cell`, for reading only: `from` itself when
// the cell has no records to clear, otherwise a copy in `scratch` with them cleared.
inline const ThreatTracker& trackerWithCellCleared(const ThreatTracker& from, Cell cell,
                                                   ThreatTracker& scratch) {
    if (!hasTrackerRecords(from, cell)) return from;
    copyTrackerInto(scratch, from);
    clearTrackerRecords(scratch, cell);
    return scratch;
}

template <Colour C, CodesHold Form>
void trackStoneInWindows(ThreatTracker& tracker, Cell cell);
template <Colour C, CodesHold Form>
void trackStoneOnFlanks(ThreatTracker& tracker, Cell cell);

// Whether colour C's stone on `cell` (its board byte already set) leaves C's tracker without four
// groups and without four-three cells, judged from the tracker as it is, without the update:
// true only when it has none yet, the stone makes no new four, and no three it makes lands on a
// cell with a four partner. False means "maybe": the update must tell.
template <Colour C, CodesHold Form>
bool stoneAddsNoCombination(const ThreatTracker& tracker, Cell cell);

// A stone of the tracker's colour C on `cell` (its board byte already set).
template <Colour C, CodesHold Form>
inline void trackStone(ThreatTracker& tracker, Cell cell) {
    trackStoneInWindows<C, Form>(tracker, cell);
    trackStoneOnFlanks<C, Form>(tracker, cell);
    clearTrackerCell(tracker, cell);
}

// Builds colour C's tracker from the window codes, using `pool` for its three lists.
template <Colour C>
void buildThreatTracker(ThreatTracker& tracker, const std::uint8_t* board, const WindowCode* codes,
                        LinkPool& pool);

}  // namespace quoll

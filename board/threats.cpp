#include "board/threats.hpp"

#include <emmintrin.h>

#include <bit>
#include <utility>

namespace quoll {

TrackerUsage trackerUsage;

namespace {

// Per window code, whether it shows the pattern for colour C: one load in place of the three
// comparisons on the hot scans.
template <Colour C, int Pattern>
constexpr auto kShowsPattern = [] {
    std::array<bool, kCodeCount> shows{};
    for (int code = 0; code < kCodeCount; ++code) shows[code] = matchesPattern<C>(code, Pattern);
    return shows;
}();

inline void noteLinks(const ThreatTracker& tracker) {
    if (tracker.linkCount > trackerUsage.maxLinkCount)
        trackerUsage.maxLinkCount = tracker.linkCount;
}

inline bool holdsPair(const ThreeLink& link, Cell p, Cell q) {
    return (link.first == p && link.second == q) || (link.first == q && link.second == p);
}

// Calls visit(w) for each window w through the cell whose code shows the pattern for colour C,
// direction by direction and in window order, until a visit returns false (then returns false).
// A direction's windows are consecutive codes, compared eight at a time.
template <Colour C, int Pattern, typename Visit>
[[gnu::always_inline]] inline bool visitWindowsShowing(const WindowCode* codes, Cell cell,
                                                       Visit visit) {
    constexpr int otherFlankUnit = kFlankUnit<opponentOf(C)>;
    const __m128i forms[3] = {_mm_set1_epi16(Pattern), _mm_set1_epi16(Pattern + otherFlankUnit),
                              _mm_set1_epi16(Pattern + 2 * otherFlankUnit)};
    for (const CellWindowRange& range : kCellWindowRanges[cell]) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes + range.first));
        const __m128i shows =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, forms[0]), _mm_cmpeq_epi16(v, forms[1])),
                         _mm_cmpeq_epi16(v, forms[2]));
        // Two bits per window; those past the range are cut off.
        auto bits = static_cast<unsigned>(_mm_movemask_epi8(shows)) &
                    ((1u << 2 * (range.end - range.first)) - 1);
        while (bits != 0) {
            const int lane = std::countr_zero(bits) / 2;
            bits &= ~(3u << 2 * lane);
            if (!visit(range.first + lane)) return false;
        }
    }
    return true;
}

// The empty cells of window w in line order; returns how many there are. Every cell is written
// to the next free place and kept only if empty, which spares a branch per cell.
inline int emptyCellsOf(const std::uint8_t* board, int w, Cell (&out)[5]) {
    const WindowGeometry window = kWindowGeometry[w];
    int found = 0;
    for (int i = 0; i < 5; ++i) {
        const auto cell = static_cast<Cell>(window.first + i * window.step);
        out[found] = cell;
        found += board[cell] == kEmpty;
    }
    return found;
}

// Makes `partner` a four partner of `cell`; false when the group records had no room for it.
// Inline where the stone updates pair cells up.
[[gnu::always_inline]] inline bool addFourPair(ThreatTracker& tracker, Cell cell, Cell partner) {
    const std::uint16_t slot = tracker.fourSlot[cell];
    if (slot == kNoCell) {
        tracker.fourSlot[cell] = partner;
        if (tracker.threeHead[cell] != kNoLink) ++tracker.combinationCells;
    } else if (isSinglePartner(slot)) {
        if (slot == partner) return true;
        // Out of group records: keep the one partner rather than write past the array.
        if (tracker.fourGroupCount >= kMaxFourGroups) {
            ++trackerUsage.droppedFacts;
            return false;
        }
        const std::uint16_t g = tracker.fourGroupCount++;
        if (tracker.fourGroupCount > trackerUsage.maxFourGroups)
            trackerUsage.maxFourGroups = tracker.fourGroupCount;
        FourGroup& group = tracker.fourGroups[g];
        group.owner = cell;
        group.count = 2;
        group.partners[0] = partner;
        group.partners[1] = slot;
        tracker.fourSlot[cell] = static_cast<std::uint16_t>(kGroupBase + g);
    } else {
        FourGroup& group = tracker.fourGroups[slot - kGroupBase];
        for (int i = 0; i < group.count; ++i)
            if (group.partners[i] == partner) return true;
        if (group.count == kMaxGroupPartners) {
            ++trackerUsage.droppedFacts;
            return false;
        }
        group.partners[group.count++] = partner;
    }
    return true;
}

void removeFourPair(ThreatTracker& tracker, Cell cell, Cell partner) {
    const std::uint16_t slot = tracker.fourSlot[cell];
    if (isSinglePartner(slot)) {
        if (slot != partner) return;
        tracker.fourSlot[cell] = kNoCell;
        if (tracker.threeHead[cell] != kNoLink) --tracker.combinationCells;
        return;
    }
    if (!isFourGroup(slot)) return;
    const int g = slot - kGroupBase;
    FourGroup& group = tracker.fourGroups[g];
    int index = 0;
    while (index < group.count && group.partners[index] != partner) ++index;
    if (index == group.count) return;  // only after a capacity cut: nothing to remove
    if (group.count == 2) {
        // The group dissolves into a single partner; the last record moves into its place.
        const int last = --tracker.fourGroupCount;
        tracker.fourSlot[tracker.fourGroups[last].owner] = slot;
        tracker.fourSlot[cell] = group.partners[index == 0 ? 1 : 0];
        std::swap(tracker.fourGroups[g], tracker.fourGroups[last]);
        return;
    }
    std::swap(group.partners[index], group.partners[group.count - 1]);
    --group.count;
}

// Makes a and b partners of each other, or neither when either side has no room.
void addFourPairs(ThreatTracker& tracker, Cell a, Cell b) {
    // A pair kept one way only would outlive its cells: clearing a cell finds the pairs to
    // remove through its own partners. So a pair that one side has no room for is dropped whole.
    if (addFourPair(tracker, a, b) && !addFourPair(tracker, b, a)) removeFourPair(tracker, a, b);
}

// Inline in the stone updates, which add a few triples per stone.
[[gnu::always_inline]] inline void addThreeTriple(ThreatTracker& tracker, Cell a, Cell b, Cell c) {
    // Out of pool space: the triple is not recorded rather than written past the pool.
    if (tracker.linkCount + 3 > kLinkPoolSize) {
        ++trackerUsage.droppedFacts;
        return;
    }
    auto pushFront = [&](Cell owner, Cell first, Cell second) {
        const std::uint16_t index = tracker.linkCount++;
        const std::uint16_t head = tracker.threeHead[owner];
        if (head == kNoLink && tracker.fourSlot[owner] != kNoCell) ++tracker.combinationCells;
        tracker.links[index] = ThreeLink{first, second, head};
        tracker.threeHead[owner] = index;
    };
    pushFront(a, b, c);
    pushFront(b, a, c);
    pushFront(c, a, b);
    noteLinks(tracker);
}

// Removes the three (p, q) from the cell's list where it is not the first link. The links in
// front of the removed one are copied, so that copies of the tracker higher up the search keep
// their lists; the links behind it are shared. Out of line, so that the usual case, the first
// link, stays small enough to inline.
[[gnu::noinline]] void removeLaterThreeLink(ThreatTracker& tracker, Cell cell, Cell p, Cell q) {
    ThreeLink* links = tracker.links;
    const std::uint16_t head = tracker.threeHead[cell];
    int inFront = 1;
    std::uint16_t target = links[head].next;
    while (target != kNoLink && !holdsPair(links[target], p, q)) {
        target = links[target].next;
        ++inFront;
    }
    if (target == kNoLink) return;
    if (tracker.linkCount + inFront > kLinkPoolSize) {
        ++trackerUsage.droppedFacts;
        // No room for the copies. A three left in one of its cells' lists would outlive its
        // cells (clearing a cell finds the threes to remove through its own list), so this copy
        // drops every three it knows; its ancestors keep theirs.
        tracker.threeHead.fill(kNoLink);
        tracker.combinationCells = 0;
        return;
    }
    std::uint16_t source = head;
    std::uint16_t copy = tracker.linkCount++;
    links[copy] = ThreeLink{links[source].first, links[source].second, kNoLink};
    tracker.threeHead[cell] = copy;
    for (source = links[source].next; source != target; source = links[source].next) {
        links[copy].next = tracker.linkCount;
        copy = tracker.linkCount++;
        links[copy] = ThreeLink{links[source].first, links[source].second, kNoLink};
    }
    links[copy].next = links[target].next;
    noteLinks(tracker);
}

void removeThreeLink(ThreatTracker& tracker, Cell cell, Cell p, Cell q) {
    const std::uint16_t head = tracker.threeHead[cell];
    if (head == kNoLink) return;
    const ThreeLink& first = tracker.links[head];
    if (!holdsPair(first, p, q)) {
        removeLaterThreeLink(tracker, cell, p, q);
        return;
    }
    tracker.threeHead[cell] = first.next;
    if (first.next == kNoLink && tracker.fourSlot[cell] != kNoCell) --tracker.combinationCells;
}

}  // namespace

void clearTrackerRecords(ThreatTracker& tracker, Cell cell) {
    // The removals below change only other cells' slots and lists.
    if (startsCombination(tracker, cell)) --tracker.combinationCells;
    const std::uint16_t slot = tracker.fourSlot[cell];
    if (isSinglePartner(slot)) {
        removeFourPair(tracker, slot, cell);
        tracker.fourSlot[cell] = kNoCell;
    } else if (isFourGroup(slot)) {
        const int g = slot - kGroupBase;
        const int last = --tracker.fourGroupCount;
        tracker.fourSlot[tracker.fourGroups[last].owner] = slot;
        tracker.fourSlot[cell] = kNoCell;
        std::swap(tracker.fourGroups[g], tracker.fourGroups[last]);
        // These removals can only dissolve groups below `last`, so the record walked stays put.
        for (int i = 0; i < tracker.fourGroups[last].count; ++i)
            removeFourPair(tracker, tracker.fourGroups[last].partners[i], cell);
    }
    for (std::uint16_t link = tracker.threeHead[cell]; link != kNoLink;
         link = tracker.links[link].next) {
        const ThreeLink entry = tracker.links[link];
        removeThreeLink(tracker, entry.first, entry.second, cell);
        removeThreeLink(tracker, entry.second, entry.first, cell);
    }
    tracker.threeHead[cell] = kNoLink;
}

template <Colour C, CodesHold Form>
void trackStoneInWindows(ThreatTracker& tracker, Cell cell) {
    // The clean twos that held the cell are now clean threes: their two empty cells pair up.
    for (std::uint16_t link = tracker.threeHead[cell]; link != kNoLink;
         link = tracker.links[link].next) {
        const ThreeLink entry = tracker.links[link];
        addFourPairs(tracker, entry.first, entry.second);
    }
    // Windows through the cell that are clean twos once the stone is counted.
    constexpr int twoPattern = Form == CodesHold::Stone ? 2 * kInUnit<C> : kInUnit<C>;
    visitWindowsShowing<C, twoPattern>(tracker.codes, cell, [&](int w) {
        Cell empty[5];
        if (emptyCellsOf(tracker.board, w, empty) >= 3)
            addThreeTriple(tracker, empty[0], empty[1], empty[2]);
        return true;
    });
}

template <Colour C, CodesHold Form>
bool stoneAddsNoCombination(const ThreatTracker& tracker, Cell cell) {
    // The threes through the cell become fours; removals (flanks, the cell itself) make none.
    if (tracker.fourGroupCount > 0 || tracker.combinationCells > 0) return false;
    if (tracker.threeHead[cell] != kNoLink) return false;
    // The same windows as the update's new threes.
    constexpr int twoPattern = Form == CodesHold::Stone ? 2 * kInUnit<C> : kInUnit<C>;
    return visitWindowsShowing<C, twoPattern>(tracker.codes, cell, [&](int w) {
        Cell empty[5];
        if (emptyCellsOf(tracker.board, w, empty) < 3) return true;
        for (int i = 0; i < 3; ++i)
            if (tracker.fourSlot[empty[i]] != kNoCell) return false;
        return true;
    });
}

template <Colour C, CodesHold Form>
void trackStoneOnFlanks(ThreatTracker& tracker, Cell cell) {
    // A stone of the colour on a flank cell spoils the window: completing it would make six.
    constexpr int flankDigit = Form == CodesHold::Stone ? kFlankUnit<C> : 0;
    constexpr int threePattern = 3 * kInUnit<C> + flankDigit;
    constexpr int twoPattern = 2 * kInUnit<C> + flankDigit;
    const FlankedWindowList& flanked = kFlankedWindows[cell];
    const int flankedCount = flanked[kFlankedCountSlot];
    for (int i = 0; i < flankedCount; ++i) {
        const int w = flanked[i];
        const WindowCode code = tracker.codes[w];
        Cell empty[5];
        if (kShowsPattern<C, threePattern>[code]) {
            if (emptyCellsOf(tracker.board, w, empty) < 2) continue;
            removeFourPair(tracker, empty[0], empty[1]);
            removeFourPair(tracker, empty[1], empty[0]);
        } else if (kShowsPattern<C, twoPattern>[code]) {
            if (emptyCellsOf(tracker.board, w, empty) < 3) continue;
            removeThreeLink(tracker, empty[0], empty[1], empty[2]);
            removeThreeLink(tracker, empty[1], empty[0], empty[2]);
            removeThreeLink(tracker, empty[2], empty[0], empty[1]);
        }
    }
}

template <Colour C>
void buildThreatTracker(ThreatTracker& tracker, const std::uint8_t* board, const WindowCode* codes,
                        LinkPool& pool) {
    tracker.board = board;
    tracker.codes = codes;
    tracker.links = pool.links.data();
    tracker.fourGroupCount = 0;
    tracker.linkCount = 0;
    tracker.combinationCells = 0;
    tracker.fourGroups = {};
    tracker.fourSlot.fill(kNoCell);
    tracker.threeHead.fill(kNoLink);
    for (int w = 0; w < kWindowCount; ++w) {
        if (!matchesPattern<C>(codes[w], 3 * kInUnit<C>)) continue;
        Cell empty[5];
        if (emptyCellsOf(board, w, empty) < 2) continue;
        addFourPairs(tracker, empty[0], empty[1]);
    }
    for (int w = 0; w < kWindowCount; ++w) {
        if (!matchesPattern<C>(codes[w], 2 * kInUnit<C>)) continue;
        Cell empty[5];
        if (emptyCellsOf(board, w, empty) >= 3)
            addThreeTriple(tracker, empty[0], empty[1], empty[2]);
    }
}

template void trackStoneInWindows<Colour::Own, CodesHold::Stone>(ThreatTracker&, Cell);
template void trackStoneInWindows<Colour::Own, CodesHold::NoStone>(ThreatTracker&, Cell);
template void trackStoneInWindows<Colour::Opponent, CodesHold::Stone>(ThreatTracker&, Cell);
template void trackStoneInWindows<Colour::Opponent, CodesHold::NoStone>(ThreatTracker&, Cell);
template bool stoneAddsNoCombination<Colour::Own, CodesHold::Stone>(const ThreatTracker&, Cell);
template bool stoneAddsNoCombination<Colour::Own, CodesHold::NoStone>(const ThreatTracker&, Cell);
template bool stoneAddsNoCombination<Colour::Opponent, CodesHold::Stone>(const ThreatTracker&,
                                                                         Cell);
template bool stoneAddsNoCombination<Colour::Opponent, CodesHold::NoStone>(const ThreatTracker&,
                                                                           Cell);
template void trackStoneOnFlanks<Colour::Own, CodesHold::Stone>(ThreatTracker&, Cell);
template void trackStoneOnFlanks<Colour::Own, CodesHold::NoStone>(ThreatTracker&, Cell);
template void trackStoneOnFlanks<Colour::Opponent, CodesHold::Stone>(ThreatTracker&, Cell);
template void trackStoneOnFlanks<Colour::Opponent, CodesHold::NoStone>(ThreatTracker&, Cell);
template void buildThreatTracker<Colour::Own>(ThreatTracker&, const std::uint8_t*,
                                              const WindowCode*, LinkPool&);
template void buildThreatTracker<Colour::Opponent>(ThreatTracker&, const std::uint8_t*,
                                                   const WindowCode*, LinkPool&);

}  // namespace quoll

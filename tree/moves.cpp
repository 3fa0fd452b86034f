#include "tree/moves.hpp"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace quoll {

void setMoveLimit(CandidateList& list, int s, const MoveLimitParams& p) {
    const int span = p.steps * p.stepWidth;
    int limit;
    if (s >= kWinThreshold) limit = p.wonLimit;
    else if (s >= span) limit = p.base;
    else if (s >= 0) limit = p.base + p.steps - s / p.stepWidth;
    else if (s >= -span) limit = p.base + p.steps + 1 - (s + 1) / p.stepWidth;
    else if (s > -kWinThreshold) limit = p.base + 2 * p.steps + 1;
    else limit = list.count;
    list.limit = static_cast<std::uint16_t>(std::min<int>(list.count, limit));
}

namespace {

// A group is answered by its owner, or, when it has exactly two partners, by either of them.
inline bool answersGroup(const FourGroup& group, Cell x) {
    return group.owner == x ||
           (group.count == 2 && (group.partners[0] == x || group.partners[1] == x));
}

}  // namespace

int unansweredDoubleFours(const ThreatTracker& other, Cell x) {
    int unanswered = 0;
    for (int g = 0; g < other.fourGroupCount; ++g)
        if (!answersGroup(other.fourGroups[g], x)) ++unanswered;
    return unanswered;
}

std::array<Cell, 3> answersToEveryMultiFour(const ThreatTracker& other) {
    // A cell that answers every group answers the first one: its owner or one of its two
    // partners. Those that answer all the others too are the only answers.
    const FourGroup& first = other.fourGroups[0];
    std::array<Cell, 3> answers = {first.owner, kNoCell, kNoCell};
    if (first.count == 2) {
        answers[1] = first.partners[0];
        answers[2] = first.partners[1];
    }
    for (Cell& answer : answers)
        if (answer != kNoCell && unansweredDoubleFours(other, answer) != 0) answer = kNoCell;
    return answers;
}

int positionOf(const CandidateList& list, int from, Cell cell) {
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(cell));
    int i = from;
    for (; i + 8 <= list.count; i += 8) {
        const __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&list.cells[i]));
        if (const int bits = _mm_movemask_epi8(_mm_cmpeq_epi16(cells, wanted)); bits != 0)
            return i + std::countr_zero(static_cast<unsigned>(bits)) / 2;
    }
    for (; i < list.count; ++i)
        if (list.cells[i] == cell) return i;
    return -1;
}

void multiFourFilter(CandidateList& list, const ThreatTracker& toMove, const ThreatTracker& other) {
    // The fours of the side to move and the answers are all in the list, as every four's cells lie
    // within two steps of its stones: each is found and moved to the front, and the searchable part
    // ends after them. How a tree node's list is ordered decides nothing, only which cells it
    // holds.
    int kept = list.next;
    auto keep = [&](Cell x) {
        if (const int at = positionOf(list, kept, x); at >= 0)
            std::swap(list.cells[kept++], list.cells[at]);
    };
    forEachFourCell(toMove, keep);
    for (const Cell answer : answersToEveryMultiFour(other))
        if (answer != kNoCell && toMove.fourSlot[answer] == kNoCell) keep(answer);
    list.count = static_cast<std::uint16_t>(kept);
    if (list.limit > list.count) list.limit = list.count;
}

bool combinationFilter(CandidateList& list, const ThreatTracker& toMove, const DefenceMask& mask) {
    if (admitsEveryCell(mask)) return false;
    keepCandidates(list,
                   [&](Cell x) { return mask[x] == kDefends || toMove.fourSlot[x] != kNoCell; });
    return true;
}

Cell chooseFirstMove(CandidateList& list, Cell preferred, const GainMap& gains) {
    int chosen = preferred != kNoCell ? positionOf(list, list.next, preferred) : -1;
    if (chosen < 0) {
        chosen = list.next;
        int chosenKey = orderKey(gains, list.cells[chosen]);
        for (int i = list.next + 1; i < list.count; ++i)
            if (const int key = orderKey(gains, list.cells[i]); key > chosenKey) {
                chosen = i;
                chosenKey = key;
            }
    }
    std::swap(list.cells[chosen], list.cells[list.next]);
    list.cur = list.next++;
    return list.cells[list.cur];
}

void sortRemainingMoves(CandidateList& list, const GainMap& gains, const MoveLimitParams& params) {
    const int first = list.next, end = list.count;
    const int reach = std::min<int>(end, std::max<int>(list.limit, params.wonLimit));
    if (first >= reach) return;
    // Insertion into the sorted front cells[first, sorted): short lists, unique keys. Only the
    // keys move: a key's low 16 bits are its cell, so the front's cells are written once at the
    // end and no key is computed twice.
    Cell* cells = list.cells.data();
    // keys[j + 1]: the key of the front's j-th place, for j in [first, sorted). keys[first]
    // lies above every key and so stops the insertion at the front's start.
    std::array<int, kCellCount + 1> keys;
    keys[first] = std::numeric_limits<int>::max();
    auto cellOf = [](int key) { return static_cast<Cell>(key & 0xFFFF); };
    int sorted = first;
    for (int i = first; i < end; ++i) {
        const int key = orderKey(gains, cells[i]);
        int j;
        if (sorted < reach) {
            j = sorted++;  // equals i while the front is not full
        } else {
            if (key < keys[reach]) continue;
            cells[i] = cellOf(keys[reach]);  // the front's last cell drops behind it
            j = reach - 1;
        }
        for (; keys[j] < key; --j) keys[j + 1] = keys[j];
        keys[j + 1] = key;
    }
    for (int j = first; j < sorted; ++j) cells[j] = cellOf(keys[j + 1]);
}

}  // namespace quoll

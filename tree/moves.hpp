#pragma once
// Which moves a node tries, in which order, and how many.

#include <array>
#include <cstdint>
#include <optional>

#include "board/gains.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"
#include "search/defence.hpp"
#include "tree/pruning.hpp"

namespace quoll {

// How many moves a node searches, by the best score s found so far; span = steps * stepWidth.
struct MoveLimitParams {
    int wonLimit;   // s is a win: a few more moves still, for a quicker one
    int base;       // s at or above span: the node is doing well, its best few moves suffice
    int steps;      // one more move per stepWidth of s below span, down to 0 and again below 0
    int stepWidth;  // the score a move is worth in this count
};
// Zero-window nodes only test a bound: few moves, one more per 16 points down to -48.
inline constexpr MoveLimitParams kNonPvMoveLimits = {13, 8, 3, 16};
// Principal-variation nodes fix the line's score: more moves, over a wider band of scores.
inline constexpr MoveLimitParams kPvMoveLimits = {11, 14, 5, 25};

// The worse the best score so far, the more moves a node searches.
void setMoveLimit(CandidateList& list, int bestScore, const MoveLimitParams& params);

// How many of the other side's multi-four points the cell x does not answer.
int unansweredDoubleFours(const ThreatTracker& other, Cell x);

// Keeps in cells[next, count) the cells passing the test, in the two-pointer partition order
// (from the front the first failing cell, from the back the last passing one, swapped); the
// rejected cells end up behind the new count. Then limit = min(limit, count).
template <typename Keep>
void keepCandidates(CandidateList& list, Keep keep) {
    int front = list.next, back = list.count - 1;
    for (;;) {
        while (front <= back && keep(list.cells[front])) ++front;
        while (front <= back && !keep(list.cells[back])) --back;
        if (front >= back) break;
        const Cell t = list.cells[front];
        list.cells[front++] = list.cells[back];
        list.cells[back--] = t;
    }
    list.count = static_cast<std::uint16_t>(front);
    if (list.limit > list.count) list.limit = list.count;
}

inline bool hasMoves(const CandidateList& list) { return list.next < list.count; }

// Where the cell lies in cells[from, count), or -1; eight cells compared at a time.
int positionOf(const CandidateList& list, int from, Cell cell);

// The side to move blocks the other side's four at `block`, given both trackers after the four.
// A block that makes no four must also answer every multi-four point and meet every four-three
// combination of the other side: when it does not, the loss it leads to; none when it does, or
// when it makes a four (then the other side must answer first).
inline std::optional<Score> lossDespiteBlock(const ThreatTracker& toMove,
                                             const ThreatTracker& other, Cell block, Ply ply) {
    if (toMove.fourSlot[block] != kNoCell) return std::nullopt;
    if (unansweredDoubleFours(other, block) > 0) return lossScore(ply, 4);
    DefenceMask mask;
    if (defenceMaskForBoard(mask, toMove, other)[block] == 0) return lossScore(ply, 6);
    return std::nullopt;
}

// The cells that answer every multi-four point of the other side, which has at least one: at
// most three, the places left kNoCell.
std::array<Cell, 3> answersToEveryMultiFour(const ThreatTracker& other);

// Keeps the cells that answer every multi-four point of the other side or make a four; the
// other side has at least one.
void multiFourFilter(CandidateList& list, const ThreatTracker& toMove, const ThreatTracker& other);

// A mask whose first and last entries are both non-zero counts as unrestricted.
inline bool admitsEveryCell(const DefenceMask& mask) {
    return mask[0] != 0 && mask[kCellCount - 1] != 0;
}

// Keeps the cells the mask admits or that make a four, unless the mask admits every cell;
// returns whether the filter was applied.
bool combinationFilter(CandidateList& list, const ThreatTracker& toMove, const DefenceMask& mask);

// Ordering: the larger gain first, on equal gains the larger cell; as one number, the larger
// key goes first.
inline int orderKey(const GainMap& gains, Cell x) { return gains.gain[x] * 65536 + x; }

// Puts `preferred` (the table move, when it survived the filters; the block of a four) or else
// the best cell by the ordering rule at cells[next], makes it the current move and returns it.
Cell chooseFirstMove(CandidateList& list, Cell preferred, const GainMap& gains);

// Orders cells[next, count) by the ordering rule as far as the move loop can reach: up to the
// present limit, or the limit of a won score should the best score become a win (the only
// limit above a lower one). The cells behind stay in no particular order.
void sortRemainingMoves(CandidateList& list, const GainMap& gains, const MoveLimitParams& params);

}  // namespace quoll

#pragma once
// The records a node of the tree search receives from its parent, as one frame.

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"

namespace quoll {

// A tree or horizon node's view of its parent. The move that led to the node is
// parent.cells[parent.cur], played by the other side; its stone is on the board but not yet in
// the window codes. Gains and trackers are as they were before that move, "toMove" naming the
// side to move at the node; `key` is the parent's key, without the move. The frame is built once
// per child by the parent and read by reference.
struct NodeFrame {
    const GainMap& toMoveGains;
    const GainMap& otherGains;
    const CandidateList& parent;
    const ThreatTracker& toMoveThreats;
    const ThreatTracker& otherThreats;
    HashKey key;
    Score eval;  // static score of the node's position, seen from its side to move

    Cell move() const { return parent.cells[parent.cur]; }
};

// A four-sequence node's view of its parent: the trackers as they were before the last move,
// "toMove" naming the side to move; `last` is that move, its stone on the board but not yet in the
// window codes; `four` is the attacker's latest four stone.
struct VcfFrame {
    const ThreatTracker& toMoveThreats;
    const ThreatTracker& otherThreats;
    Cell four;
    Cell last;
};

// `copy` becomes `from` with colour C's stone on `cell`, the stone's board byte already set.
template <Colour C, CodesHold Form>
inline void copyTrackerWithStone(ThreatTracker& copy, const ThreatTracker& from, Cell cell) {
    copyTrackerInto(copy, from);
    trackStone<C, Form>(copy, cell);
}

// The trackers after the other side's stone on `cell`: the side to move's with the cell cleared
// (read in place when it holds nothing there), the other side's copied and given the stone.
template <Colour Mover, CodesHold Form>
struct TrackersAfterMove {
    TrackersAfterMove(const ThreatTracker& toMoveBefore, const ThreatTracker& otherBefore,
                      Cell cell)
        : toMove(trackerWithCellCleared(toMoveBefore, cell, toMoveScratch)) {
        copyTrackerWithStone<Mover, Form>(other, otherBefore, cell);
    }
    TrackersAfterMove(const TrackersAfterMove&) = delete;
    TrackersAfterMove& operator=(const TrackersAfterMove&) = delete;

    ThreatTracker toMoveScratch;  // holds `toMove` when the cell had records to clear
    const ThreatTracker& toMove;
    ThreatTracker other;
};

}  // namespace quoll

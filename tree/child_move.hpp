#pragma once
// A child move: how a node (or the root) hands the search on to one of its children, what the
// child reads, and how the move is taken back when the child returns. ChildMove states the
// rules; node.cpp, horizon.cpp, vcf.cpp and search/root.cpp follow them.

#include <cstdint>

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"
#include "tree/table.hpp"

namespace quoll {

// What a tree or horizon node reads of its parent. The move that led to the node is
// parent.cells[parent.cur], played by the other side. The gains and trackers are the parent's
// after its own move, that is the node's before this one; "toMove" names the side to move at the
// node. `key` is the parent's key, without the move; `eval` the static score of the node's
// position, seen from its side to move. A parent builds one frame for all its children
// (forChildren) and ChildMove sets its eval for each.
struct NodeFrame {
    const GainMap& toMoveGains;
    const GainMap& otherGains;
    const CandidateList& parent;
    const ThreatTracker& toMoveThreats;
    const ThreatTracker& otherThreats;
    HashKey key;
    Score eval;

    Cell move() const { return parent.cells[parent.cur]; }

    // The frame a parent hands its children, from its records in its own view ("toMove" being
    // the parent's side): the children see them from the other side.
    static NodeFrame forChildren(const GainMap& toMoveGains, const GainMap& otherGains,
                                 const CandidateList& list, const ThreatTracker& toMoveThreats,
                                 const ThreatTracker& otherThreats, HashKey key) {
        return NodeFrame{otherGains, toMoveGains, list, otherThreats, toMoveThreats, key, 0};
    }
};

// What a four-sequence node reads of its parent: the trackers as they were before the last move,
// "toMove" naming the side to move; `last` is that move; `four` is the attacker's latest four
// stone.
struct VcfFrame {
    const ThreatTracker& toMoveThreats;
    const ThreatTracker& otherThreats;
    Cell four;
    Cell last;
};

// The parent's half of one child move, from just before the child is called to just after it
// returns: the move's stone on the board and, for a tree or horizon child, the frame it reads:
// the parent's list with the move as its current cell, the parent's copies of the gain maps and
// trackers (updated for the parent's own move), and the child's eval, set here.
//
// A node changes what it shares with the rest of the search only in balanced pairs, each a scope
// that every way out closes:
//  - the board byte of the child's move: written here, by the parent, before the child is called,
//    and cleared when it returns;
//  - the window codes of that move, the child's half: the child places them once the tests that
//    need no codes are passed (searchNode's step 8, vcfAttack, vcfDefend) and lifts them on every
//    later way out (StoneGuard, board/state.hpp). Until then the stone is on the board but not in
//    the codes, so the updates the child makes before (and the horizon, which never places the
//    stone) take the CodesHold::NoStone form, those after the CodesHold::Stone form;
//  - the neighbour counters of a node's own list, which the child derives from its parent's
//    (makeChildList at searchNode's step 11, or 9.5 for a forced block) and releases on every
//    later way out (ChildList, search/candidates.hpp).
// The gain maps and trackers are not shared: the child reads its parent's through the frame,
// copies them and updates the copies for its move (GainsAfterMove, TrackersAfterMove below), and
// its own children read those copies in turn; nothing of them is undone. Checking builds test on
// a child's entry that its move is on the board and not in the codes (tree/contracts.hpp).
template <Colour Us>
class ChildMove {
  public:
    // To a tree or horizon child: the move is the current cell of `children.parent`, the parent's
    // list; the child's eval follows from the parent's and the parent's gain at the move.
    ChildMove(EngineState& state, NodeFrame& children, Score parentEval)
        : ChildMove(state, children.move()) {
        children.eval = static_cast<Score>(-(parentEval + children.otherGains.gain[cell_]));
    }
    // To a four-sequence child: the move is `child.last`.
    ChildMove(EngineState& state, const VcfFrame& child) : ChildMove(state, child.last) {}
    ~ChildMove() { board_[cell_] = kEmpty; }
    ChildMove(const ChildMove&) = delete;
    ChildMove& operator=(const ChildMove&) = delete;

  private:
    ChildMove(EngineState& state, Cell cell) : board_(state.board.data()), cell_(cell) {
        board_[cell_] = kStone<Us>;
    }

    std::uint8_t* board_;
    Cell cell_;
};

// The gain maps of both sides after the move that led to a node, the codes holding its stone:
// copies of the parent's, updated in one walk.
template <Colour Us>
struct GainsAfterMove {
    explicit GainsAfterMove(const NodeFrame& frame)
        : toMove(frame.toMoveGains), other(frame.otherGains) {
        bothGainsAfterMove<Us, opponentOf(Us)>(toMove, other, frame.move());
    }

    GainMap toMove;
    GainMap other;
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

// Starts loading the table slot of the child that plays `cell`, for the probe it makes first
// thing: its key is this node's key with the stone.
inline void prefetchChildSlot(const TranspositionTable& table, HashKey key, Cell cell,
                              std::uint8_t stone) {
    updateKey(key, cell, stone);
    prefetchSlot(table, key.key);
}

// The same for the children that play cells[first, end).
inline void prefetchChildSlots(const TranspositionTable& table, HashKey key, const Cell* cells,
                               int first, int end, std::uint8_t stone) {
    for (int i = first; i < end; ++i) prefetchChildSlot(table, key, cells[i], stone);
}

}  // namespace quoll

#include "tree/node.hpp"

#include "testkit/consistency.hpp"
#include "search/defence.hpp"
#include "search/timer.hpp"
#include "tree/counters.hpp"
#include "tree/horizon.hpp"
#include "tree/moves.hpp"
#include "tree/pruning.hpp"
#include "tree/search_frame.hpp"
#include "tree/vcf.hpp"

namespace quoll {

NodeCounters nodeCounters;

namespace {

// In checking builds: the node's incremental records must equal their rebuild from the board.
template <Colour Us>
inline void checkNodeFrame([[maybe_unused]] const EngineState& state,
                           [[maybe_unused]] const GainMap& ownGains,
                           [[maybe_unused]] const GainMap& otherGains,
                           [[maybe_unused]] const ThreatTracker& ownThreats,
                           [[maybe_unused]] const ThreatTracker& otherThreats,
                           [[maybe_unused]] const CandidateList& list) {
#ifdef QUOLL_CHECKS
    if constexpr (Us == Colour::Own)
        checkConsistency(state, ownGains, otherGains, ownThreats, otherThreats, list);
    else
        checkConsistency(state, otherGains, ownGains, otherThreats, ownThreats, list);
#endif
}

// What the children of one node share: the records after the node's move, the child depth and
// the key. The scores and windows of `search` are the node's, not the child's.
struct ChildFrame {
    EngineState& state;
    Depth depth;
    Ply ply;
    Score parentEval;
    const GainMap& moverGains;  // the side to move's gains after m
    const GainMap& replyGains;  // the other side's gains after m
    const CandidateList& list;
    const ThreatTracker& moverThreats;
    const ThreatTracker& replyThreats;
    HashKey key;

    // The child after the move x, whose stone is on the board, searched as a ChildKind node.
    template <Colour Them, NodeKind ChildKind>
    Score search(Cell x, Score alpha, Score beta) const {
        const auto childEval = static_cast<Score>(-(parentEval + moverGains.gain[x]));
        return static_cast<Score>(-searchNode<Them, ChildKind>(
            state, depth, ply, childEval, static_cast<Score>(-beta), static_cast<Score>(-alpha),
            replyGains, moverGains, list, replyThreats, moverThreats, key));
    }
};

}  // namespace

template <Colour Us, NodeKind Kind>
Score searchNode(EngineState& state, Depth depth, Ply ply, Score eval, Score alpha, Score beta,
                 const GainMap& ownGains, const GainMap& otherGains, const CandidateList& parent,
                 const ThreatTracker& ownThreats, const ThreatTracker& otherThreats, HashKey key) {
    constexpr Colour Them = opponentOf(Us);
    constexpr bool pvNode = Kind == NodeKind::Pv;
    constexpr MoveLimitParams limits = pvNode ? kPvMoveLimits : kNonPvMoveLimits;
    ++nodeCounters.tree;

    // Shallow or deep enough: the one-ply horizon search scores the node.
    if (depth <= kPlyUnit || ply >= kMaxPly)
        return horizonSearch<Us>(state, ply, eval, alpha, beta, ownGains, parent, ownThreats,
                                 otherThreats);

    // The other side's last move made two fours at once: lost with a five at ply + 1.
    const Cell m = parent.cells[parent.cur];
    if (isFourGroup(otherThreats.fourSlot[m])) return lossScore(ply, 2);

    // The clock, at every node.
    if (searchMustStop()) return kInfinity;

    // Mate-distance bounds.
    if (const auto bounded = boundByWin(ply, alpha, beta)) return *bounded;
    if (const auto bounded = boundByLoss(ply, alpha, beta)) return *bounded;

    // The key of this position: the caller's key with m.
    updateKey(key, m, kStone<Them>);

    // Table probe; whether this node may store is decided by the slot as it is now.
    const ProbeResult probe = probeTable(state.table, key.key, depth, ply, alpha, beta, Kind);
    if (probe.cutoff) return probe.score;
    // The table move is usually searched first: its slot starts loading while the filters run.
    if (probe.ttMove != kNoCell) prefetchChildSlot(state.table, key, probe.ttMove, kStone<Us>);
    auto store = [&](Score lower, Score upper, Cell move) {
        if (probe.storeAllowed) storeEntry(state.table, key.key, depth, ply, lower, upper, move, Kind);
    };
    auto storeDecided = [&](Score s) {
        store(s, s, kNoCell);
        return clampToWindow(s, alpha, beta);
    };

    // Futility.
    const int d = marginIndex(depth);
    if (alpha >= eval + kFutilityMargin[d] && alpha < kWinThreshold) return alpha;

    // m's stone into the window codes, lifted on every way out.
    StoneGuard<Them> placed(state.windowCodes.data(), m);
    std::uint8_t* board = state.board.data();

    // A four by m has a single block: the only move.
    const std::uint16_t b = otherThreats.fourSlot[m];
    if (isSinglePartner(b)) {
        // The block is the only move: its slot starts loading while the four sequences run.
        prefetchChildSlot(state.table, key, b, kStone<Us>);
        // The trackers after m.
        ThreatTracker ownCopy;
        const ThreatTracker& own = trackerWithCellCleared(ownThreats, m, ownCopy);
        ThreatTracker other = copyTracker(otherThreats);
        trackOwnStone<Them, CodesHold::Stone>(other, m);

        // A block that makes no four must also meet the other side's threats.
        if (own.fourSlot[b] == kNoCell) {
            if (unansweredDoubleFours(other, b) > 0) return storeDecided(lossScore(ply, 4));
            DefenceMask mask;
            if (defenceMaskForBoard(mask, own, other)[b] == 0) return storeDecided(lossScore(ply, 6));
        }

        // Can the other side go on with fours after the block?
        Score v;
        {
            BoardStone stone(board, b, kStone<Us>);
            v = vcfAttack<Them>(state, pvNode ? kVcfBudgetPv : kVcfBudgetNonPv,
                                static_cast<Ply>(ply + 1), static_cast<Score>(-beta),
                                static_cast<Score>(-alpha), other, own, m, b);
        }
        // The four sequence already refutes the block.
        if (alpha >= -v) {
            store(-kInfinity, alpha, b);
            return alpha;
        }

        // This node's list and gains after m.
        ChildList list(parent);
        GainMap gains = ownGains;
        GainMap otherGainsAfter = otherGains;
        gainsAfterMove<Us, Them>(gains, otherGainsAfter, m);
        checkNodeFrame<Us>(state, gains, otherGainsAfter, own, other, *list);

        // The block becomes the list's current move.
        for (int i = list->next; i < list->count; ++i)
            if (list->cells[i] == b) {
                list->cells[i] = list->cells[list->next];
                list->cells[list->next] = b;
                break;
            }
        list->cur = list->next++;

        // The block, searched with the probe's result as the child's alpha; principal-variation
        // nodes extend it.
        Score r;
        {
            const auto childEval = static_cast<Score>(-(eval + gains.gain[b]));
            BoardStone stone(board, b, kStone<Us>);
            const Depth childDepth =
                static_cast<Depth>(depth - kPlyUnit + (pvNode ? kDepthExtension[3] : 0));
            r = static_cast<Score>(-searchNode<Them, Kind>(
                state, childDepth, static_cast<Ply>(ply + 1), childEval, v,
                static_cast<Score>(-alpha), otherGainsAfter, gains, *list, other, own, key));
        }
        // Out of time: nothing is stored.
        if (searchTimer.stopFlag) return kInfinity;
        if (r >= beta) {
            store(beta, kInfinity, b);
            return beta;
        }
        if (r > alpha) {
            store(r, r, b);
            return r;
        }
        store(-kInfinity, alpha, b);
        return alpha;
    }

    // No four to answer. Reverse futility.
    if (eval + kReverseMargin[d] >= beta && beta > -kWinThreshold) return beta;

    // This node's list and the trackers after m.
    ChildList list(parent);
    ThreatTracker ownCopy;
    const ThreatTracker& own = trackerWithCellCleared(ownThreats, m, ownCopy);
    ThreatTracker other = copyTracker(otherThreats);
    trackOwnStone<Them, CodesHold::Stone>(other, m);

    // Only moves that answer every multi-four point of the other side, or make a four.
    const bool multiFours = other.fourGroupCount > 0;
    if (multiFours) {
        multiFourFilter(*list, own, other);
        if (!hasMoves(*list)) return storeDecided(lossScore(ply, 4));
    }
    // Only moves that meet every four-three combination, or make a four.
    DefenceMask mask;
    const bool restricted =
        combinationFilter(*list, own, defenceMaskForList(mask, own, other, *list));
    if (!hasMoves(*list)) return storeDecided(lossScore(ply, 6));

    // Child depth; principal-variation nodes extend after a filter narrowed the moves.
    Depth childDepth = static_cast<Depth>(depth - kPlyUnit);
    if constexpr (pvNode) childDepth += kDepthExtension[multiFours ? 2 : restricted ? 1 : 0];

    // The gains after m.
    GainMap gains = ownGains;
    GainMap otherGainsAfter = otherGains;
    gainsAfterMove<Us, Them>(gains, otherGainsAfter, m);
    checkNodeFrame<Us>(state, gains, otherGainsAfter, own, other, *list);

    const ChildFrame children{state, childDepth, static_cast<Ply>(ply + 1), eval, gains,
                              otherGainsAfter, *list, own, other, key};

    // First move: the table move or the best by gain, with the full window.
    Cell bestMove = chooseFirstMove(*list, probe.ttMove, gains);
    const bool childrenProbe = childDepth > kPlyUnit;  // shallower children are horizon nodes
    if (childrenProbe)
        prefetchChildSlots(state.table, key, list->cells.data(), list->cur, list->next, kStone<Us>);
    Score r;
    {
        BoardStone stone(board, bestMove, kStone<Us>);
        r = children.search<Them, Kind>(bestMove, alpha, beta);
    }
    if (searchTimer.stopFlag) return kInfinity;
    if (r >= beta) {
        store(beta, kInfinity, bestMove);
        return beta;
    }

    // How many moves to try depends on the best score so far; the rest go by gain.
    Score best = r > alpha ? r : alpha;
    setMoveLimit(*list, best, limits);
    if (list->next < list->limit) sortRemainingMoves(*list, gains, limits);
    if (childrenProbe)
        prefetchChildSlots(state.table, key, list->cells.data(), list->next, list->limit, kStone<Us>);

    // The move loop; a better score shortens it at once.
    while (list->next < list->limit) {
        const Cell x = list->cells[list->next];
        list->cur = list->next++;
        {
            BoardStone stone(board, x, kStone<Us>);
            if constexpr (pvNode) {
                if (best > alpha && childDepth > kPlyUnit) {
                    // Zero-window pre-search. An aborted one ends the node at once: it must
                    // not go on to store a bound that the moves left unsearched might break.
                    const Score r0 = children.search<Them, NodeKind::NonPv>(
                        x, best, static_cast<Score>(best + 1));
                    if (searchTimer.stopFlag) return kInfinity;
                    if (r0 <= best) continue;
                }
            }
            r = children.search<Them, Kind>(x, best, beta);
        }
        if (searchTimer.stopFlag) return kInfinity;
        if (r >= beta) {
            store(beta, kInfinity, x);
            return beta;
        }
        if (r > best) {
            best = r;
            bestMove = x;
            setMoveLimit(*list, best, limits);
        }
    }

    // An exact score when a move raised alpha; otherwise an upper bound with the first move.
    if (best > alpha) store(best, best, bestMove);
    else store(-kInfinity, best, bestMove);
    return best;
}

template Score searchNode<Colour::Own, NodeKind::Pv>(EngineState&, Depth, Ply, Score, Score, Score,
                                                     const GainMap&, const GainMap&,
                                                     const CandidateList&, const ThreatTracker&,
                                                     const ThreatTracker&, HashKey);
template Score searchNode<Colour::Own, NodeKind::NonPv>(EngineState&, Depth, Ply, Score, Score,
                                                        Score, const GainMap&, const GainMap&,
                                                        const CandidateList&, const ThreatTracker&,
                                                        const ThreatTracker&, HashKey);
template Score searchNode<Colour::Opponent, NodeKind::Pv>(EngineState&, Depth, Ply, Score, Score,
                                                          Score, const GainMap&, const GainMap&,
                                                          const CandidateList&,
                                                          const ThreatTracker&,
                                                          const ThreatTracker&, HashKey);
template Score searchNode<Colour::Opponent, NodeKind::NonPv>(EngineState&, Depth, Ply, Score,
                                                             Score, Score, const GainMap&,
                                                             const GainMap&, const CandidateList&,
                                                             const ThreatTracker&,
                                                             const ThreatTracker&, HashKey);

}  // namespace quoll

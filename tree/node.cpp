#include "tree/node.hpp"

#include "search/defence.hpp"
#include "search/timer.hpp"
#include "testkit/consistency.hpp"
#include "tree/child_move.hpp"
#include "tree/contracts.hpp"
#include "tree/counters.hpp"
#include "tree/horizon.hpp"
#include "tree/moves.hpp"
#include "tree/pruning.hpp"
#include "tree/vcf.hpp"

namespace quoll {

NodeCounters nodeCounters;

namespace {

// In checking builds: the node's incremental records must equal their rebuild from the board.
template <Colour Us>
inline void checkNodeRecords([[maybe_unused]] const EngineState& state,
                             [[maybe_unused]] const GainMap& toMoveGains,
                             [[maybe_unused]] const GainMap& otherGains,
                             [[maybe_unused]] const ThreatTracker& toMoveThreats,
                             [[maybe_unused]] const ThreatTracker& otherThreats,
                             [[maybe_unused]] const CandidateList& list) {
#ifdef QUOLL_CHECKS
    if constexpr (Us == Colour::Own)
        checkConsistency(state, toMoveGains, otherGains, toMoveThreats, otherThreats, list);
    else checkConsistency(state, otherGains, toMoveGains, otherThreats, toMoveThreats, list);
#endif
}

// The node's table slot, written only when the probe allowed it.
template <NodeKind Kind>
struct NodeStore {
    TranspositionTable& table;
    std::uint64_t key;
    Depth depth;
    Ply ply;
    bool allowed;

    void operator()(Score lower, Score upper, Cell move) const {
        if (allowed) storeEntry(table, key, depth, ply, lower, upper, move, Kind);
    }
    // A score decided by the threat tests: stored as exact, returned within the window.
    Score decided(Score s, Score alpha, Score beta) const {
        (*this)(s, s, kNoCell);
        return clampToWindow(s, alpha, beta);
    }
};

// The child after the move its ChildMove made, searched as a ChildKind node; the window and the
// score are the parent's.
template <Colour Them, NodeKind ChildKind>
inline Score searchChild(EngineState& state, const NodeFrame& children, Depth depth, Ply ply,
                         Score alpha, Score beta) {
    return static_cast<Score>(-searchNode<Them, ChildKind>(
        state, children, depth, ply, static_cast<Score>(-beta), static_cast<Score>(-alpha)));
}

// Step 9 of searchNode: the other side's move m made a four whose single block is b, the only
// move. `key` is the node's key, `alpha` and `beta` its window after the mate-distance bounds.
template <Colour Us, NodeKind Kind>
Score searchForcedBlock(EngineState& state, const NodeFrame& frame, Depth depth, Ply ply,
                        Score alpha, Score beta, Cell b, const HashKey& key,
                        const NodeStore<Kind>& store) {
    constexpr Colour Them = opponentOf(Us);
    constexpr bool pvNode = Kind == NodeKind::Pv;
    const Cell m = frame.move();

    // 9.1 The block's slot starts loading while the four sequences run.
    prefetchChildSlot(state.table, key, b, kStone<Us>);
    const TrackersAfterMove<Them, CodesHold::Stone> after(frame.toMoveThreats, frame.otherThreats,
                                                          m);
    const ThreatTracker& toMove = after.toMove;
    const ThreatTracker& other = after.other;

    // 9.2 Lost: a block that makes no four must also meet the other side's threats.
    if (const auto lost = lossDespiteBlock(toMove, other, b, ply))
        return store.decided(*lost, alpha, beta);

    // 9.3 Four sequence: can the other side go on with fours after the block?
    Score v;
    {
        const VcfFrame sequence{other, toMove, m, b};
        const ChildMove<Us> block(state, sequence);
        v = vcfAttack<Them>(state, sequence, pvNode ? kVcfBudgetPv : kVcfBudgetNonPv,
                            static_cast<Ply>(ply + 1), static_cast<Score>(-beta),
                            static_cast<Score>(-alpha));
    }
    // 9.4 The four sequence already refutes the block.
    if (alpha >= -v) {
        store(-kInfinity, alpha, b);
        return alpha;
    }

    // 9.5 This node's list and gains after m; the block, which the list holds as every four's
    // cells lie near its stones, becomes the list's current move.
    ChildList list(frame.parent);
    const GainsAfterMove<Us> gains(frame);
    checkNodeRecords<Us>(state, gains.toMove, gains.other, toMove, other, *list);
    chooseFirstMove(*list, b, gains.toMove);

    // 9.6 The block, searched with the four sequence's result as the child's alpha;
    // principal-variation nodes extend it.
    Score r;
    {
        NodeFrame children =
            NodeFrame::forChildren(gains.toMove, gains.other, *list, toMove, other, key);
        const ChildMove<Us> block(state, children, frame.eval);
        const Depth childDepth =
            static_cast<Depth>(depth - kPlyUnit + (pvNode ? kDepthExtension[3] : 0));
        r = static_cast<Score>(-searchNode<Them, Kind>(
            state, children, childDepth, static_cast<Ply>(ply + 1), v, static_cast<Score>(-alpha)));
    }

    // 9.7 The result, stored unless out of time.
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

}  // namespace

template <Colour Us, NodeKind Kind>
Score searchNode(EngineState& state, const NodeFrame& frame, Depth depth, Ply ply, Score alpha,
                 Score beta) {
    constexpr Colour Them = opponentOf(Us);
    constexpr bool pvNode = Kind == NodeKind::Pv;
    constexpr MoveLimitParams limits = pvNode ? kPvMoveLimits : kNonPvMoveLimits;
    checkNodeContract<Kind>(depth, ply, alpha, beta);
    checkMoveOnBoardOnly<Them>(state, frame.move());
    ++nodeCounters.tree;

    // 1. Horizon: shallow or deep enough, the one-ply search scores the node.
    if (depth <= kPlyUnit || ply >= kMaxPly)
        return horizonSearch<Us>(state, frame, ply, alpha, beta);

    // 2. Lost: the other side's last move m made two fours at once, a five at ply + 1.
    const Cell m = frame.move();
    if (isFourGroup(frame.otherThreats.fourSlot[m])) return lossScore(ply, 2);

    // 3. Clock, at every node.
    if (searchMustStop()) return kInfinity;

    // 4. Mate-distance bounds.
    if (const auto bounded = boundByWin(ply, alpha, beta)) return *bounded;
    if (const auto bounded = boundByLoss(ply, alpha, beta)) return *bounded;

    // 5. Key of this position: the parent's key with m.
    HashKey key = frame.key;
    updateKey(key, m, kStone<Them>);

    // 6. Table probe; whether this node may store is decided by the slot as it is now.
    const ProbeResult probe = probeTable(state.table, key.key, depth, ply, alpha, beta, Kind);
    if (probe.cutoff) return probe.score;
    // The table move is usually searched first: its slot starts loading while the filters run.
    if (probe.ttMove != kNoCell) prefetchChildSlot(state.table, key, probe.ttMove, kStone<Us>);
    const NodeStore<Kind> store{state.table, key.key, depth, ply, probe.storeAllowed};

    // 7. Futility: too far below alpha to catch up.
    const Score eval = frame.eval;
    const int d = marginIndex(depth);
    if (alpha >= eval + kFutilityMargin[d] && alpha < kWinThreshold) return alpha;

    // 8. m's stone into the window codes, lifted on every way out.
    StoneGuard<Them> placed(state.windowCodes.data(), m);

    // 9. Forced block: m made a four with a single block, the only move.
    if (const std::uint16_t b = frame.otherThreats.fourSlot[m]; isSinglePartner(b))
        return searchForcedBlock<Us, Kind>(state, frame, depth, ply, alpha, beta, b, key, store);

    // 10. Reverse futility: far enough above beta with no four to answer.
    if (eval + kReverseMargin[d] >= beta && beta > -kWinThreshold) return beta;

    // 11. This node's list and the trackers after m.
    ChildList list(frame.parent);
    const TrackersAfterMove<Them, CodesHold::Stone> after(frame.toMoveThreats, frame.otherThreats,
                                                          m);
    const ThreatTracker& toMove = after.toMove;
    const ThreatTracker& other = after.other;

    // 12. Multi-four filter: only moves that answer every multi-four point of the other side,
    // or make a four.
    const bool multiFours = other.fourGroupCount > 0;
    if (multiFours) {
        multiFourFilter(*list, toMove, other);
        if (!hasMoves(*list)) return store.decided(lossScore(ply, 4), alpha, beta);
    }
    // 13. Combination filter: only moves that meet every four-three combination, or make a four.
    DefenceMask mask;
    const bool restricted =
        combinationFilter(*list, toMove, defenceMaskForList(mask, toMove, other, *list));
    if (!hasMoves(*list)) return store.decided(lossScore(ply, 6), alpha, beta);

    // 14. Child depth; principal-variation nodes extend after a filter narrowed the moves.
    Depth childDepth = static_cast<Depth>(depth - kPlyUnit);
    if constexpr (pvNode) childDepth += kDepthExtension[multiFours ? 2 : restricted ? 1 : 0];

    // 15. The gains after m, and the frame of this node's children.
    const GainsAfterMove<Us> gains(frame);
    checkNodeRecords<Us>(state, gains.toMove, gains.other, toMove, other, *list);
    NodeFrame children =
        NodeFrame::forChildren(gains.toMove, gains.other, *list, toMove, other, key);
    const auto childPly = static_cast<Ply>(ply + 1);

    // 16. First move: the table move or the best by gain, with the full window.
    Cell bestMove = chooseFirstMove(*list, probe.ttMove, gains.toMove);
    const bool childrenProbe = childDepth > kPlyUnit;  // shallower children are horizon nodes
    if (childrenProbe)
        prefetchChildSlots(state.table, key, list->cells.data(), list->cur, list->next, kStone<Us>);
    Score r;
    {
        const ChildMove<Us> child(state, children, eval);
        r = searchChild<Them, Kind>(state, children, childDepth, childPly, alpha, beta);
    }
    if (searchTimer.stopFlag) return kInfinity;
    if (r >= beta) {
        store(beta, kInfinity, bestMove);
        return beta;
    }

    // 17. Move limit: how many moves to try depends on the best score so far; the rest go by
    // gain.
    Score best = r > alpha ? r : alpha;
    setMoveLimit(*list, best, limits);
    if (list->next < list->limit) sortRemainingMoves(*list, gains.toMove, limits);
    if (childrenProbe)
        prefetchChildSlots(state.table, key, list->cells.data(), list->next, list->limit,
                           kStone<Us>);

    // 18. Move loop; a better score shortens it at once.
    while (list->next < list->limit) {
        const Cell x = list->cells[list->next];
        list->cur = list->next++;
        {
            const ChildMove<Us> child(state, children, eval);
            if constexpr (pvNode) {
                if (best > alpha && childDepth > kPlyUnit) {
                    // Zero-window pre-search. An aborted one ends the node at once: it must
                    // not go on to store a bound that the moves left unsearched might break.
                    const Score r0 = searchChild<Them, NodeKind::NonPv>(
                        state, children, childDepth, childPly, best, static_cast<Score>(best + 1));
                    if (searchTimer.stopFlag) return kInfinity;
                    if (r0 <= best) continue;
                }
            }
            r = searchChild<Them, Kind>(state, children, childDepth, childPly, best, beta);
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

    // 19. Result: exact when a move raised alpha; otherwise an upper bound with the first move.
    if (best > alpha) store(best, best, bestMove);
    else store(-kInfinity, best, bestMove);
    return best;
}

template Score searchNode<Colour::Own, NodeKind::Pv>(EngineState&, const NodeFrame&, Depth, Ply,
                                                     Score, Score);
template Score searchNode<Colour::Own, NodeKind::NonPv>(EngineState&, const NodeFrame&, Depth, Ply,
                                                        Score, Score);
template Score searchNode<Colour::Opponent, NodeKind::Pv>(EngineState&, const NodeFrame&, Depth,
                                                          Ply, Score, Score);
template Score searchNode<Colour::Opponent, NodeKind::NonPv>(EngineState&, const NodeFrame&, Depth,
                                                             Ply, Score, Score);

}  // namespace quoll

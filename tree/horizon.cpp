#include "tree/horizon.hpp"

#include "search/defence.hpp"
#include "tree/contracts.hpp"
#include "tree/counters.hpp"
#include "tree/moves.hpp"
#include "tree/pruning.hpp"

namespace quoll {

namespace {

// The other side has multi-four points: the only moves are the fours of the side to move and
// the cells that answer every point, and only the best score counts. All of them are leaves (a
// four's cells lie within two steps of its stones), so they come from the trackers rather than
// from a list; the combination filter can reject only an answer that makes no four. They are
// few, so each gain is worked out alone (gainAt) rather than the gains updated.
template <typename GainAt>
Score multiFourLeafScore(const ThreatTracker& toMove, const ThreatTracker& other, GainAt gainAt,
                         int base, Ply ply, Score alpha, Score beta) {
    std::optional<Score> best;
    auto score = [&](Cell x) { return static_cast<Score>(base + gainAt(x)); };
    auto take = [&](Score v) {
        if (!best || v > *best) best = v;
    };
    forEachFourCell(toMove, [&](Cell x) { take(score(x)); });
    bool answered = best.has_value();
    DefenceMask mask;
    bool maskBuilt = false;
    for (const Cell x : answersToEveryMultiFour(other)) {
        if (x == kNoCell) continue;
        answered = true;
        // Taken as a four already, or no better than the best: the filter changes nothing.
        if (toMove.fourSlot[x] != kNoCell) continue;
        const Score v = score(x);
        if (best && v <= *best) continue;
        if (!maskBuilt) {
            defenceMaskForBoard(mask, toMove, other);  // the same as the leaves' mask: it meets
            maskBuilt = true;                          // every four-three cell, and all are leaves
        }
        if (admitsEveryCell(mask) || mask[x] == kDefends) take(v);
    }
    if (!answered) return lossScore(ply, 4);
    if (!best) return lossScore(ply, 6);
    return clampToWindow(*best, alpha, beta);
}

}  // namespace

template <Colour Us>
Score horizonSearch([[maybe_unused]] EngineState& state, const NodeFrame& frame, Ply ply,
                    Score alpha, Score beta) {
    constexpr Colour Them = opponentOf(Us);
    checkLeafContract(ply, alpha, beta, kMaxPly);
    checkMoveOnBoardOnly<Them>(state, frame.move());
    ++nodeCounters.horizon;
    const Score eval = frame.eval;

    // The other side's last move made two fours at once.
    const Cell m = frame.move();
    if (isFourGroup(frame.otherThreats.fourSlot[m])) return lossScore(ply, 2);

    // Mate-distance bounds.
    if (const auto bounded = boundByWin(ply, alpha, beta)) return *bounded;
    if (const auto bounded = boundByLoss(ply, alpha, beta)) return *bounded;

    // Futility.
    if (alpha >= eval + kHorizonFutilityMargin && alpha < kWinThreshold) return alpha;

    // A leaf never places m in the codes: its updates take the CodesHold::NoStone form.
    const Cell b = frame.otherThreats.fourSlot[m];
    if (isSinglePartner(b)) {
        // m made a four: the only move is its block at b. The other side's tracker is needed
        // only when the block makes no four.
        ThreatTracker toMoveCopy;
        const ThreatTracker& toMove = trackerWithCellCleared(frame.toMoveThreats, m, toMoveCopy);
        if (toMove.fourSlot[b] == kNoCell) {
            ThreatTracker other;
            copyTrackerWithStone<Them, CodesHold::NoStone>(other, frame.otherThreats, m);
            if (const auto lost = lossDespiteBlock(toMove, other, b, ply)) return *lost;
        }
        const Score v = static_cast<Score>(
            eval + gainAfterMoveAt<Us, Them, CodesHold::NoStone>(frame.toMoveGains, m, b) -
            kHorizonOffset);
        if (v >= beta) return beta;
        return v > alpha ? v : alpha;
    }

    // Standing pat.
    if (eval >= beta && beta > -kWinThreshold) return beta;

    const int base = eval - kHorizonOffset;
    auto toMoveGainsAfterMove = [&] {
        GainMap gains = frame.toMoveGains;
        gainsAfterMove<Us, Them, CodesHold::NoStone>(gains, m);
        return gains;
    };

    // The filters pass every move when m leaves the other side without multi-four points and
    // four-three cells; most often that shows without the trackers after m, and the best move
    // shows without the list. Most of these nodes fail high on a cell whose gain m leaves as it
    // was, which needs no update of the gains.
    if (stoneAddsNoCombination<Them, CodesHold::NoStone>(frame.otherThreats, m)) {
        if (unchangedLeafReaches(frame.parent, frame.toMoveGains, base, beta)) return beta;
        const GainMap gains = toMoveGainsAfterMove();
        const std::optional<Score> v = bestLeafScore(frame.parent, gains, base, beta);
        if (!v) return lossScore(ply, 6);
        return clampToWindow(*v, alpha, beta);
    }

    const TrackersAfterMove<Them, CodesHold::NoStone> after(frame.toMoveThreats, frame.otherThreats,
                                                            m);
    const ThreatTracker& toMove = after.toMove;
    const ThreatTracker& other = after.other;
    if (other.fourGroupCount > 0) {
        auto gainAt = [&](Cell x) {
            return gainAfterMoveAt<Us, Them, CodesHold::NoStone>(frame.toMoveGains, m, x);
        };
        return multiFourLeafScore(toMove, other, gainAt, base, ply, alpha, beta);
    }

    const GainMap gains = toMoveGainsAfterMove();

    // A leaf's list: it derives no list of its own, so the neighbour counters stay as they are.
    CandidateList list;
    makeLeafList(frame.parent, list);
    DefenceMask mask;
    combinationFilter(list, toMove, defenceMaskForList(mask, toMove, other, list));
    if (!hasMoves(list)) return lossScore(ply, 6);

    for (int i = list.next; i < list.count; ++i) {
        const Score v = static_cast<Score>(base + gains.gain[list.cells[i]]);
        if (v >= beta) return beta;
        if (v > alpha) alpha = v;
    }
    return alpha;
}

template Score horizonSearch<Colour::Own>(EngineState&, const NodeFrame&, Ply, Score, Score);
template Score horizonSearch<Colour::Opponent>(EngineState&, const NodeFrame&, Ply, Score, Score);

}  // namespace quoll

#include "tree/horizon.hpp"

#include "search/defence.hpp"
#include "tree/counters.hpp"
#include "tree/moves.hpp"
#include "tree/pruning.hpp"
#include "tree/search_frame.hpp"

namespace quoll {

template <Colour Us>
Score horizonSearch(EngineState& /*state*/, Ply ply, Score eval, Score alpha, Score beta,
                    const GainMap& ownGains, const CandidateList& parent,
                    const ThreatTracker& ownThreats, const ThreatTracker& otherThreats) {
    constexpr Colour Them = opponentOf(Us);
    ++nodeCounters.horizon;

    // The other side's last move made two fours at once.
    const Cell m = parent.cells[parent.cur];
    if (isFourGroup(otherThreats.fourSlot[m])) return lossScore(ply, 2);

    // Mate-distance bounds.
    if (const auto bounded = boundByWin(ply, alpha, beta)) return *bounded;
    if (const auto bounded = boundByLoss(ply, alpha, beta)) return *bounded;

    // Futility.
    if (alpha >= eval + kHorizonFutilityMargin && alpha < kWinThreshold) return alpha;

    // The codes do not hold m: the before forms of the updates apply.
    const Cell b = otherThreats.fourSlot[m];
    if (isSinglePartner(b)) {
        // m made a four: the only move is its block at b.
        ThreatTracker ownCopy;
        const ThreatTracker& own = trackerWithCellCleared(ownThreats, m, ownCopy);
        if (own.fourSlot[b] == kNoCell) {
            ThreatTracker other = copyTracker(otherThreats);
            trackOwnStone<Them, CodesHold::NoStone>(other, m);
            if (unansweredDoubleFours(other, b) > 0) return lossScore(ply, 4);
            DefenceMask mask;
            if (defenceMaskForBoard(mask, own, other)[b] == 0) return lossScore(ply, 6);
        }
        const Score v = static_cast<Score>(eval + gainBeforeMoveAt<Us, Them>(ownGains, m, b) -
                                           kHorizonOffset);
        if (v >= beta) return beta;
        return v > alpha ? v : alpha;
    }

    // Standing pat.
    if (eval >= beta && beta > -kWinThreshold) return beta;

    // A leaf's list: it derives no list of its own, so the neighbour counters stay as they are.
    CandidateList list;
    makeLeafList(parent, list);
    ThreatTracker other = copyTracker(otherThreats);
    trackOwnStone<Them, CodesHold::NoStone>(other, m);
    ThreatTracker ownCopy;
    const ThreatTracker& own = trackerWithCellCleared(ownThreats, m, ownCopy);

    if (other.fourGroupCount > 0) {
        multiFourFilter(list, own, other);
        if (!hasMoves(list)) return lossScore(ply, 4);
    }
    DefenceMask mask;
    combinationFilter(list, own, defenceMaskForList(mask, own, other, list));
    if (!hasMoves(list)) return lossScore(ply, 6);

    GainMap gains = ownGains;
    gainsBeforeMove<Us, Them>(gains, m);
    for (int i = list.next; i < list.count; ++i) {
        const Score v = static_cast<Score>(eval + gains.gain[list.cells[i]] - kHorizonOffset);
        if (v >= beta) return beta;
        if (v > alpha) alpha = v;
    }
    return alpha;
}

template Score horizonSearch<Colour::Own>(EngineState&, Ply, Score, Score, Score, const GainMap&,
                                          const CandidateList&, const ThreatTracker&,
                                          const ThreatTracker&);
template Score horizonSearch<Colour::Opponent>(EngineState&, Ply, Score, Score, Score,
                                               const GainMap&, const CandidateList&,
                                               const ThreatTracker&, const ThreatTracker&);

}  // namespace quoll

#include "tree/vcf.hpp"

#include "board/geometry.hpp"
#include "search/defence.hpp"
#include "tree/counters.hpp"
#include "tree/moves.hpp"
#include "tree/pruning.hpp"
#include "tree/search_frame.hpp"

namespace quoll {

template <Colour Attacker>
Score vcfAttack(EngineState& state, Depth budget, Ply ply, Score alpha, Score beta,
                const ThreatTracker& attackerThreats, const ThreatTracker& defenderThreats,
                Cell prev, Cell last) {
    constexpr Colour Defender = opponentOf(Attacker);
    ++nodeCounters.vcf;
    if (budget <= 0) return alpha;  // an exhausted sequence fails for the attacker

    // The defender's block made an open or double four.
    if (isFourGroup(defenderThreats.fourSlot[last])) return lossScore(ply, 2);

    if (const auto bounded = boundByWin(ply, alpha, beta)) return *bounded;

    StoneGuard<Defender> block(state.windowCodes.data(), last);
    const Depth childBudget = static_cast<Depth>(budget - kPlyUnit);
    const std::uint16_t g = defenderThreats.fourSlot[last];
    if (isSinglePartner(g)) {
        // The block made a four: the attacker must block it in turn, and only goes on if that
        // block is a four of its own.
        ThreatTracker attackerCopy;
        const ThreatTracker& attacker = trackerWithCellCleared(attackerThreats, last, attackerCopy);
        if (attacker.fourSlot[g] == kNoCell) return alpha;
        ThreatTracker defender = copyTracker(defenderThreats);
        trackOwnStone<Defender, CodesHold::Stone>(defender, last);
        Score r;
        {
            BoardStone stone(state.board.data(), g, kStone<Attacker>);
            r = static_cast<Score>(-vcfDefend<Attacker>(state, childBudget, ply + 1, -beta, -alpha,
                                                        defender, attacker, g, g));
        }
        if (r >= beta) return beta;
        return r > alpha ? r : alpha;
    }

    ThreatTracker attackerCopy;
    const ThreatTracker& attacker = trackerWithCellCleared(attackerThreats, last, attackerCopy);
    ThreatTracker defender = copyTracker(defenderThreats);
    trackOwnStone<Defender, CodesHold::Stone>(defender, last);
    // The attacker's next four is looked for along the lines through its last four stone.
    const FourStarList& star = fourStar[prev];
    for (int i = 0; i < star[kFourStarCountSlot]; ++i) {
        const Cell c = star[i];
        if (attacker.fourSlot[c] == kNoCell) continue;
        Score r;
        {
            BoardStone stone(state.board.data(), c, kStone<Attacker>);
            r = static_cast<Score>(-vcfDefend<Attacker>(state, childBudget, ply + 1, -beta, -alpha,
                                                        defender, attacker, c, c));
        }
        if (r >= beta) return beta;
        if (r > alpha) alpha = r;
    }
    return alpha;
}

template <Colour Attacker>
Score vcfDefend(EngineState& state, Depth budget, Ply ply, Score alpha, Score beta,
                const ThreatTracker& defenderThreats, const ThreatTracker& attackerThreats,
                Cell prev, Cell last) {
    constexpr Colour Defender = opponentOf(Attacker);
    ++nodeCounters.vcf;
    if (budget <= 0) return beta;

    // The attacker made an open or double four.
    if (isFourGroup(attackerThreats.fourSlot[last])) return lossScore(ply, 2);

    if (const auto bounded = boundByLoss(ply, alpha, beta)) return *bounded;

    StoneGuard<Attacker> four(state.windowCodes.data(), last);
    const std::uint16_t g = attackerThreats.fourSlot[last];
    if (g == kNoCell) return beta;  // no four: the sequence is broken

    ThreatTracker defenderCopy;
    const ThreatTracker& defender = trackerWithCellCleared(defenderThreats, last, defenderCopy);
    ThreatTracker attacker = copyTracker(attackerThreats);
    trackOwnStone<Attacker, CodesHold::Stone>(attacker, last);
    if (defender.fourSlot[g] == kNoCell) {
        // The block makes no four: it must also meet the attacker's other threats.
        if (unansweredDoubleFours(attacker, g) > 0) return lossScore(ply, 4);
        DefenceMask mask;
        if (defenceMaskForBoard(mask, defender, attacker)[g] == 0) return lossScore(ply, 6);
    }
    Score r;
    {
        BoardStone stone(state.board.data(), g, kStone<Defender>);
        r = static_cast<Score>(-vcfAttack<Attacker>(state, static_cast<Depth>(budget - kPlyUnit),
                                                    ply + 1, -beta, -alpha, attacker, defender,
                                                    prev, g));
    }
    if (r >= beta) return beta;
    return r > alpha ? r : alpha;
}

template Score vcfAttack<Colour::Own>(EngineState&, Depth, Ply, Score, Score, const ThreatTracker&,
                                      const ThreatTracker&, Cell, Cell);
template Score vcfAttack<Colour::Opponent>(EngineState&, Depth, Ply, Score, Score,
                                           const ThreatTracker&, const ThreatTracker&, Cell, Cell);
template Score vcfDefend<Colour::Own>(EngineState&, Depth, Ply, Score, Score, const ThreatTracker&,
                                      const ThreatTracker&, Cell, Cell);
template Score vcfDefend<Colour::Opponent>(EngineState&, Depth, Ply, Score, Score,
                                           const ThreatTracker&, const ThreatTracker&, Cell, Cell);

}  // namespace quoll

#include "tree/vcf.hpp"

#include "board/geometry.hpp"
#include "tree/contracts.hpp"
#include "tree/counters.hpp"
#include "tree/moves.hpp"
#include "tree/pruning.hpp"

namespace quoll {

template <Colour Attacker>
Score vcfAttack(EngineState& state, const VcfFrame& frame, Depth budget, Ply ply, Score alpha,
                Score beta) {
    constexpr Colour Defender = opponentOf(Attacker);
    checkLeafContract(ply, alpha, beta, kMaxVcfPly);
    checkMoveOnBoardOnly<Defender>(state, frame.last);
    ++nodeCounters.vcf;
    if (budget <= 0) return alpha;  // an exhausted sequence fails for the attacker

    // The defender's block made an open or double four.
    const Cell last = frame.last;
    if (isFourGroup(frame.otherThreats.fourSlot[last])) return lossScore(ply, 2);

    if (const auto bounded = boundByWin(ply, alpha, beta)) return *bounded;

    StoneGuard<Defender> placed(state.windowCodes.data(), last);
    const Depth childBudget = static_cast<Depth>(budget - kPlyUnit);
    const std::uint16_t g = frame.otherThreats.fourSlot[last];
    if (isSinglePartner(g)) {
        // The block made a four: the attacker must block it in turn, and only goes on if that
        // block is a four of its own.
        ThreatTracker attackerCopy;
        const ThreatTracker& attacker =
            trackerWithCellCleared(frame.toMoveThreats, last, attackerCopy);
        if (attacker.fourSlot[g] == kNoCell) return alpha;
        ThreatTracker defender;
        copyTrackerWithStone<Defender, CodesHold::Stone>(defender, frame.otherThreats, last);
        Score r;
        {
            const VcfFrame child{defender, attacker, g, g};
            const ChildMove<Attacker> block(state, child);
            r = static_cast<Score>(
                -vcfDefend<Attacker>(state, child, childBudget, ply + 1, -beta, -alpha));
        }
        if (r >= beta) return beta;
        return r > alpha ? r : alpha;
    }

    const TrackersAfterMove<Defender, CodesHold::Stone> after(frame.toMoveThreats,
                                                              frame.otherThreats, last);
    // The attacker's next four is looked for along the lines through its last four stone.
    const FourStarList& star = fourStar[frame.four];
    for (int i = 0; i < star[kFourStarCountSlot]; ++i) {
        const Cell c = star[i];
        if (after.toMove.fourSlot[c] == kNoCell) continue;
        Score r;
        {
            const VcfFrame child{after.other, after.toMove, c, c};
            const ChildMove<Attacker> four(state, child);
            r = static_cast<Score>(
                -vcfDefend<Attacker>(state, child, childBudget, ply + 1, -beta, -alpha));
        }
        if (r >= beta) return beta;
        if (r > alpha) alpha = r;
    }
    return alpha;
}

template <Colour Attacker>
Score vcfDefend(EngineState& state, const VcfFrame& frame, Depth budget, Ply ply, Score alpha,
                Score beta) {
    constexpr Colour Defender = opponentOf(Attacker);
    checkLeafContract(ply, alpha, beta, kMaxVcfPly);
    checkMoveOnBoardOnly<Attacker>(state, frame.last);
    ++nodeCounters.vcf;
    if (budget <= 0) return beta;

    // The attacker made an open or double four.
    const Cell last = frame.last;
    if (isFourGroup(frame.otherThreats.fourSlot[last])) return lossScore(ply, 2);

    if (const auto bounded = boundByLoss(ply, alpha, beta)) return *bounded;

    StoneGuard<Attacker> placed(state.windowCodes.data(), last);
    const std::uint16_t g = frame.otherThreats.fourSlot[last];
    if (g == kNoCell) return beta;  // no four: the sequence is broken

    const TrackersAfterMove<Attacker, CodesHold::Stone> after(frame.toMoveThreats,
                                                              frame.otherThreats, last);
    const ThreatTracker& defender = after.toMove;
    const ThreatTracker& attacker = after.other;
    if (const auto lost = lossDespiteBlock(defender, attacker, g, ply)) return *lost;
    Score r;
    {
        const VcfFrame child{attacker, defender, frame.four, g};
        const ChildMove<Defender> block(state, child);
        r = static_cast<Score>(-vcfAttack<Attacker>(
            state, child, static_cast<Depth>(budget - kPlyUnit), ply + 1, -beta, -alpha));
    }
    if (r >= beta) return beta;
    return r > alpha ? r : alpha;
}

template Score vcfAttack<Colour::Own>(EngineState&, const VcfFrame&, Depth, Ply, Score, Score);
template Score vcfAttack<Colour::Opponent>(EngineState&, const VcfFrame&, Depth, Ply, Score, Score);
template Score vcfDefend<Colour::Own>(EngineState&, const VcfFrame&, Depth, Ply, Score, Score);
template Score vcfDefend<Colour::Opponent>(EngineState&, const VcfFrame&, Depth, Ply, Score, Score);

}  // namespace quoll

// Horizon search: the one-ply static search at the leaves. The incoming move's stone is on the
// board but not in the window codes; the trackers and gain maps are as before it.

#include "tree/horizon.hpp"

#include <gtest/gtest.h>

#include <random>

#include "search/defence.hpp"
#include "support/positions.hpp"
#include "tree/counters.hpp"

namespace quoll {
namespace {

using test::kOpp;
using test::kOwn;

// A root frame with the opponent's move m played on the board; the engine is to move.
struct HorizonSetup : test::LoadedPosition {
    Board boardBefore;
    WindowCodes codesBefore;
    NeighbourCounts countsBefore;

    HorizonSetup(const test::Stones& stones, Cell m) : LoadedPosition(stones) {
        EXPECT_TRUE(frame.selectMove(m));
        state.board[m] = kOpp;
        boardBefore = state.board;
        codesBefore = state.windowCodes;
        countsBefore = frame.counts;
    }
    Score search(Ply ply, Score eval, Score alpha, Score beta) {
        const Score s = horizonSearch<Colour::Own>(state, ply, eval, alpha, beta, frame.ownGain,
                                                   frame.list, frame.ownThreats, frame.oppThreats);
        EXPECT_EQ(state.board, boardBefore);
        EXPECT_EQ(state.windowCodes, codesBefore);
        EXPECT_EQ(frame.counts, countsBefore);
        return s;
    }
    // The engine's gain at `cell` with m on the board, computed from scratch.
    Score gainAfterMove(Cell cell) const {
        const WindowCodes codes = test::codesByDefinition(state.board);
        GainMap gains;
        buildGainMap<Colour::Own>(gains, state.board.data(), codes.data());
        return gains.gain[cell];
    }
};

// The opponent's closed three on row 7; its move (7,7) makes a four that only (7,8) blocks.
const test::Stones kClosedThree = {{7, 3, kOwn}, {7, 4, kOpp}, {7, 5, kOpp}, {7, 6, kOpp},
                                   {9, 9, kOwn}};

TEST(HorizonSearch, ForcedBlockScoresEvalPlusGainMinusOffsetInsideTheWindow) {
    HorizonSetup setup(kClosedThree, makeCell(7, 7));
    const Score gain = setup.gainAfterMove(makeCell(7, 8));
    const int v = 30 + gain - 40;
    const auto before = nodeCounters;
    EXPECT_EQ(setup.search(2, 30, -1000, 1000), v);
    EXPECT_EQ(nodeCounters.horizon, before.horizon + 1);
    EXPECT_EQ(nodeCounters.tree, before.tree);
    EXPECT_EQ(setup.search(2, 30, -1000, static_cast<Score>(v)), v);          // v >= beta: beta
    EXPECT_EQ(setup.search(2, 30, -1000, static_cast<Score>(v - 5)), v - 5);  // clamped to beta
    EXPECT_EQ(setup.search(2, 30, static_cast<Score>(v + 5), static_cast<Score>(v + 50)), v + 5);
}

TEST(HorizonSearch, FutilityBeforeTheThreatTests) {
    HorizonSetup setup(kClosedThree, makeCell(7, 7));
    // alpha >= eval + 110 (and below a decided score) returns alpha, even with a four to block.
    EXPECT_EQ(setup.search(2, 0, 110, 500), 110);
    EXPECT_EQ(setup.search(2, 0, 109, 10000),
              std::max<int>(109, setup.gainAfterMove(makeCell(7, 8)) - 40));
}

TEST(HorizonSearch, DoubleFourOfTheLastMoveLosesAtOnce) {
    // The opponent's open three: (7,3) makes an open four.
    HorizonSetup setup({{7, 4, kOpp}, {7, 5, kOpp}, {7, 6, kOpp}, {9, 9, kOwn}}, makeCell(7, 3));
    ASSERT_TRUE(isFourGroup(setup.frame.oppThreats.fourSlot[makeCell(7, 3)]));
    EXPECT_EQ(setup.search(4, 0, 5000, 6000), 6 - 30000);  // before futility and the window
}

TEST(HorizonSearch, StandingPatReturnsBetaWithoutGeneratingMoves) {
    HorizonSetup setup(test::kTwoOpenThrees, makeCell(13, 13));
    // Generating moves would find the position lost; standing pat never gets that far.
    EXPECT_EQ(setup.search(2, 100, -50, 50), 50);
    EXPECT_EQ(setup.search(2, 50, -50, 50), 50);
}

TEST(HorizonSearch, LossScoresAreReturnedBelowAlpha) {
    HorizonSetup setup(test::kTwoOpenThrees, makeCell(13, 13));
    EXPECT_EQ(setup.search(2, 0, -100, 50), 6 - 30000);  // multi-fours nobody can stop

    // Two four-three combinations of the opponent with no common defence.
    HorizonSetup combos(test::kTwoFourThrees, makeCell(9, 2));
    EXPECT_EQ(combos.search(2, 0, -100, 100), 8 - 30000);
    EXPECT_EQ(combos.search(5, 0, -100, 100), 11 - 30000);
}

// With no threats about, the horizon is the best static value over the candidate set: checked
// against gains and candidates computed from scratch with the move on the board.
TEST(HorizonSearch, QuietPositionsMatchTheBestStaticMove) {
    static EngineState state;
    static test::Pools pools;
    std::mt19937 random(77);
    int checked = 0;
    for (int round = 0; round < 300 && checked < 60; ++round) {
        loadSearchPosition(state, test::randomRecord(random, 3 + static_cast<int>(random() % 20)));
        test::RootFrame frame(state);
        if (frame.list.size == 0) continue;
        const Cell m = frame.list.cells[random() % frame.list.size];
        frame.selectMove(m);
        if (frame.ownThreats.fourSlot[m] != kNoCell) continue;  // m makes a four: not quiet

        // Scratch view of the position after m (the engine's move; the opponent to move): quiet
        // when the engine has no double four and no combination restricts the candidates.
        Board after = state.board;
        after[m] = kOwn;
        const WindowCodes codes = test::codesByDefinition(after);
        const ThreatTracker opp =
            test::builtTracker<Colour::Opponent>(after, codes, *pools.opponent);
        const ThreatTracker own = test::builtTracker<Colour::Own>(after, codes, *pools.own);
        const std::set<Cell> candidates = test::candidateSetByDefinition(after);
        NeighbourCounts counts;
        CandidateList all;
        buildRootList(all, after.data(), counts);
        DefenceMask mask;
        defenceMaskForList(mask, opp, own, all);
        const bool restricted =
            !(mask[0] && mask[224]) && std::any_of(candidates.begin(), candidates.end(),
                                                   [&](Cell c) { return mask[c] != kDefends; });
        if (own.fourGroupCount > 0 || restricted) continue;

        GainMap gains;
        buildGainMap<Colour::Opponent>(gains, after.data(), codes.data());
        const Score eval = static_cast<Score>(-(frame.rootEval + frame.ownGain.gain[m]));
        ASSERT_EQ(eval, static_cast<Score>(-staticEval(codes.data())));
        int best = -31000;
        for (Cell c : candidates) best = std::max(best, eval + gains.gain[c] - 40);
        state.board[m] = kOwn;
        const WindowCodes codesBefore = state.windowCodes;
        const NeighbourCounts countsBefore = frame.counts;
        const Score s =
            horizonSearch<Colour::Opponent>(state, 1, eval, -31000, 31000, frame.oppGain,
                                            frame.list, frame.oppThreats, frame.ownThreats);
        EXPECT_EQ(s, std::clamp(best, 5 - 30000, 30000 - 4)) << "round " << round;
        EXPECT_EQ(state.board, after);
        EXPECT_EQ(state.windowCodes, codesBefore);
        EXPECT_EQ(frame.counts, countsBefore);
        state.board[m] = kEmpty;
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

}  // namespace
}  // namespace quoll

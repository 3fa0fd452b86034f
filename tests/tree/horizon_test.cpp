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
struct HorizonSetup {
    EngineState state;
    test::RootFrame frame;
    Cell m;
    Board boardBefore;
    WindowCodes codesBefore;
    NeighbourCounts countsBefore;

    HorizonSetup(std::initializer_list<test::Stone> stones, Cell move)
        : state(loaded(stones)), frame(state), m(move) {
        EXPECT_TRUE(frame.selectMove(m));
        state.board[m] = kOpp;
        boardBefore = state.board;
        codesBefore = state.windowCodes;
        countsBefore = frame.counts;
    }
    static EngineState loaded(std::initializer_list<test::Stone> stones) {
        EngineState s;
        test::loadStones(s, stones);
        return s;
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
        WindowCodes codes{};
        rebuildWindowCodes(state.board, codes);
        GainMap gains;
        buildGainMap<Colour::Own>(gains, state.board.data(), codes.data());
        return gains.gain[cell];
    }
};

// The opponent's closed three on row 7; its move (7,7) makes a four that only (7,8) blocks.
const std::initializer_list<test::Stone> kClosedThree = {
    {7, 3, kOwn}, {7, 4, kOpp}, {7, 5, kOpp}, {7, 6, kOpp}, {9, 9, kOwn}};

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

// Two separate open threes of the opponent: four double-four cells that no single move answers.
const std::initializer_list<test::Stone> kTwoOpenThrees = {
    {3, 3, kOpp},   {3, 4, kOpp},   {3, 5, kOpp}, {11, 9, kOpp},
    {11, 10, kOpp}, {11, 11, kOpp}, {7, 7, kOwn}, {8, 8, kOwn}};

TEST(HorizonSearch, StandingPatReturnsBetaWithoutGeneratingMoves) {
    HorizonSetup setup(kTwoOpenThrees, makeCell(13, 13));
    // Generating moves would find the position lost; standing pat never gets that far.
    EXPECT_EQ(setup.search(2, 100, -50, 50), 50);
    EXPECT_EQ(setup.search(2, 50, -50, 50), 50);
}

TEST(HorizonSearch, LossScoresAreReturnedBelowAlpha) {
    HorizonSetup setup(kTwoOpenThrees, makeCell(13, 13));
    EXPECT_EQ(setup.search(2, 0, -100, 50), 6 - 30000);  // multi-fours nobody can stop

    // Two four-three combinations of the opponent with no common defence.
    HorizonSetup combos({{7, 3, kOwn},
                         {7, 4, kOpp},
                         {7, 5, kOpp},
                         {7, 6, kOpp},
                         {5, 7, kOpp},
                         {6, 7, kOpp},
                         {12, 8, kOpp},
                         {12, 9, kOpp},
                         {12, 10, kOpp},
                         {12, 11, kOwn},
                         {10, 7, kOpp},
                         {11, 7, kOpp}},
                        makeCell(9, 2));
    EXPECT_EQ(combos.search(2, 0, -100, 100), 8 - 30000);
    EXPECT_EQ(combos.search(5, 0, -100, 100), 11 - 30000);
}

// With no threats about, the horizon is the best static value over the candidate set: checked
// against gains and candidates computed from scratch with the move on the board.
TEST(HorizonSearch, QuietPositionsMatchTheBestStaticMove) {
    static EngineState state;
    std::mt19937 random(77);
    int checked = 0;
    for (int round = 0; round < 300 && checked < 60; ++round) {
        GameRecord record = test::randomRecord(random, 3 + static_cast<int>(random() % 20));
        loadSearchPosition(state, record);
        test::RootFrame frame(state);
        if (frame.list.size == 0) continue;
        const Cell m = frame.list.cells[random() % frame.list.size];
        frame.selectMove(m);
        if (frame.ownThreats.fourSlot[m] != kNoCell) continue;  // m makes a four: not quiet

        // Scratch view of the position after m (the engine's move; the opponent to move).
        state.board[m] = kOwn;
        WindowCodes codes{};
        rebuildWindowCodes(state.board, codes);
        static LinkPool oppPool, ownPool;
        ThreatTracker opp, own;
        buildThreatTracker<Colour::Opponent>(opp, state.board.data(), codes.data(), oppPool);
        buildThreatTracker<Colour::Own>(own, state.board.data(), codes.data(), ownPool);
        if (own.fourGroupCount > 0) {
            state.board[m] = kEmpty;
            continue;
        }
        const std::set<Cell> candidates = test::candidateSetByDefinition(state.board);
        NeighbourCounts dummyCounts;
        CandidateList all;
        buildRootList(all, state.board.data(), dummyCounts);
        DefenceMask mask;
        defenceMaskForList(mask, opp, own, all);
        if (!(mask[0] && mask[224])) {
            bool unrestricted = true;
            for (Cell c : candidates) unrestricted &= mask[c] == kDefends;
            if (!unrestricted) {
                state.board[m] = kEmpty;
                continue;
            }
        }
        GainMap gains;
        buildGainMap<Colour::Opponent>(gains, state.board.data(), codes.data());
        const Score eval = static_cast<Score>(-(frame.rootEval + frame.ownGain.gain[m]));
        ASSERT_EQ(eval, static_cast<Score>(-staticEval(codes.data())));
        int best = -31000;
        for (Cell c : candidates) best = std::max(best, eval + gains.gain[c] - 40);
        const Board boardBefore = state.board;
        const WindowCodes codesBefore = state.windowCodes;
        const NeighbourCounts countsBefore = frame.counts;
        const Score s =
            horizonSearch<Colour::Opponent>(state, 1, eval, -31000, 31000, frame.oppGain,
                                            frame.list, frame.oppThreats, frame.ownThreats);
        if (best >= 30000 - 4) best = 30000 - 4;
        EXPECT_EQ(s, std::max(best, 5 - 30000)) << "round " << round;
        EXPECT_EQ(state.board, boardBefore);
        EXPECT_EQ(state.windowCodes, codesBefore);
        EXPECT_EQ(frame.counts, countsBefore);
        state.board[m] = kEmpty;
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

}  // namespace
}  // namespace quoll

// Gains: the delta tables, the maps built from scratch, and the incremental updates in their
// after and before forms checked against the build and against the evaluation itself.

#include <gtest/gtest.h>

#include <cstdint>

#include "board/gains.hpp"
#include "support/positions.hpp"

namespace quoll {
namespace {

using test::clusteredMoves;
using test::Move;
using test::randomMoves;

Score wrap(int value) { return static_cast<Score>(value); }

TEST(GainDeltas, TellingEntries) {
    const GainDeltaSet& opponentMapOwnMove = kGainDeltas<Colour::Opponent, Colour::Own>;
    EXPECT_EQ(opponentMapOwnMove.inWindow[7], -9);  // a spoiled opponent one loses its next stone
    EXPECT_EQ(opponentMapOwnMove.inWindow[8], -24);
    EXPECT_EQ(opponentMapOwnMove.inWindow[9], -28);
    EXPECT_EQ(opponentMapOwnMove.inWindow[12], 9);
    EXPECT_EQ(opponentMapOwnMove.inWindow[18], 24);
    EXPECT_EQ(opponentMapOwnMove.inWindow[24], 28);
    EXPECT_EQ((kGainDeltas<Colour::Own, Colour::Own>.inWindow[24]), 29910);
    for (int code = 0; code < kCodeCount; ++code) {
        EXPECT_EQ((kGainDeltas<Colour::Own, Colour::Opponent>.flankedOnFlank[code]), 0) << code;
        EXPECT_EQ((kGainDeltas<Colour::Opponent, Colour::Own>.flankedOnFlank[code]), 0) << code;
    }
}

struct GainMaps {
    GainMap own, opponent;
    GainMaps(const Board& board, const WindowCodes& codes) {
        buildGainMap<Colour::Own>(own, board.data(), codes.data());
        buildGainMap<Colour::Opponent>(opponent, board.data(), codes.data());
    }
};

TEST(GainMap, EmptyBoardGainIsTheNumberOfContainingWindows) {
    const Board board{};
    const WindowCodes codes{};
    const GainMaps maps(board, codes);
    EXPECT_EQ(maps.own.board, board.data());
    EXPECT_EQ(maps.own.codes, codes.data());
    std::array<Score, kCellCount> containing{};
    for (const auto& run : test::allRuns())
        for (Cell cell : run.cells) ++containing[cell];
    EXPECT_EQ(maps.own.gain, containing);
    EXPECT_EQ(maps.opponent.gain, containing);
    EXPECT_EQ(containing[kCentreCell], 20);
}

// Colour C's evaluation of the codes: the engine's for own, its negation for the opponent.
template <Colour C>
Score evalFor(const WindowCodes& codes) {
    const Score own = staticEval(codes.data());
    return C == Colour::Own ? own : wrap(-own);
}

// For every empty cell, the gain is what the evaluation changes by when the colour plays there.
template <Colour C>
void expectGainsAreEvaluationChanges(const Board& board, WindowCodes codes, const GainMap& map) {
    const Score before = evalFor<C>(codes);
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (board[cell] != kEmpty) continue;
        placeStone<C>(codes.data(), static_cast<Cell>(cell));
        ASSERT_EQ(evalFor<C>(codes), wrap(before + map.gain[cell])) << "cell " << cell;
        liftStone<C>(codes.data(), static_cast<Cell>(cell));
    }
}

TEST(GainMap, GainIsTheChangeOfTheStaticEvaluation) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const Board board = test::boardOf(seed % 2 ? randomMoves(seed, 10 + seed * 5 % 150)
                                                   : clusteredMoves(seed, 10 + seed % 40));
        const WindowCodes codes = test::codesByDefinition(board);
        const GainMaps maps(board, codes);
        expectGainsAreEvaluationChanges<Colour::Own>(board, codes, maps.own);
        expectGainsAreEvaluationChanges<Colour::Opponent>(board, codes, maps.opponent);
    }
}

// Both maps updated for a stone of colour Mover: `before` while the codes lack the stone,
// `after` once they hold it.
template <Colour Mover>
void updateBothForms(Board& board, WindowCodes& codes, GainMaps& before, GainMaps& after,
                     Cell cell) {
    gainsBeforeMove<Colour::Own, Mover>(before.own, cell);
    gainsBeforeMove<Colour::Opponent, Mover>(before.opponent, cell);
    board[cell] = kStone<Mover>;
    placeStone<Mover>(codes.data(), cell);
    gainsAfterMove<Colour::Own, Mover>(after.own, after.opponent, cell);
}

// Along random games: the after form equals the map built from scratch at every empty cell,
// the before form equals the after form at every cell, and the evaluation of the child is the
// parent's plus the mover's gain (own stone) or minus the opponent map's gain (opponent stone),
// in 16-bit arithmetic.
TEST(GainMap, IncrementalFormsMatchBuildAndMoveTheEvaluation) {
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const Colour first = seed % 2 ? Colour::Own : Colour::Opponent;
        const auto moves =
            seed % 3 ? randomMoves(seed, 200, first) : clusteredMoves(seed, 120, first);
        Board board{};
        WindowCodes codes{};
        GainMaps maps(board, codes);
        Score eval = 0;
        for (const Move& move : moves) {
            const bool own = move.colour == Colour::Own;
            eval = wrap(own ? eval + maps.own.gain[move.cell]
                            : eval - maps.opponent.gain[move.cell]);
            GainMaps before = maps;
            if (own) updateBothForms<Colour::Own>(board, codes, before, maps, move.cell);
            else updateBothForms<Colour::Opponent>(board, codes, before, maps, move.cell);
            ASSERT_EQ(before.own.gain, maps.own.gain) << "seed " << seed;
            ASSERT_EQ(before.opponent.gain, maps.opponent.gain) << "seed " << seed;
            ASSERT_EQ(eval, staticEval(codes.data())) << "seed " << seed;
            const GainMaps built(board, codes);
            for (int cell = 0; cell < kCellCount; ++cell)
                if (board[cell] == kEmpty) {
                    ASSERT_EQ(maps.own.gain[cell], built.own.gain[cell]) << "seed " << seed;
                    ASSERT_EQ(maps.opponent.gain[cell], built.opponent.gain[cell]) << seed;
                }
        }
    }
}

}  // namespace
}  // namespace quoll

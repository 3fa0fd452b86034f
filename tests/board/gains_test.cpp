// Gains: the delta tables, the maps built from scratch, and the incremental updates in their
// after and before forms checked against the build and against the evaluation itself.

#include <gtest/gtest.h>

#include <cstdint>

#include "board/gains.hpp"
#include "board_helpers.hpp"

namespace quoll {
namespace {

using boardtest::clusteredMoves;
using boardtest::Move;
using boardtest::randomMoves;

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

// Each entry is the change of a cell's gain when the mover's stone arrives, worked out on codes:
// gain after the move minus gain before it, zero where the move filled the window or flanks.
template <Colour MapColour, Colour Mover>
void checkDeltaRule() {
    const GainDeltaSet& set = kGainDeltas<MapColour, Mover>;
    auto change = [](int code, int unit) { return windowValue<MapColour>(code + unit) - windowValue<MapColour>(code); };
    for (int k = 0; k < kCodeCount; ++k) {
        const int stones = ownStones(k) + opponentStones(k);
        const int flanks = ownFlanks(k) + opponentFlanks(k);
        const int moverIn = Mover == Colour::Own ? ownStones(k) : opponentStones(k);
        const int moverFlank = Mover == Colour::Own ? ownFlanks(k) : opponentFlanks(k);
        const int in = kInUnit<MapColour>, flank = kFlankUnit<MapColour>;
        const int mIn = kInUnit<Mover>, mFlank = kFlankUnit<Mover>;
        const bool inRow = moverIn != 0, flankRow = moverFlank != 0;
        EXPECT_EQ(set.inWindow[k], inRow && stones < 5 ? wrap(change(k, in) - change(k - mIn, in)) : 0) << k;
        EXPECT_EQ(set.onFlank[k], inRow && flanks < 2 ? wrap(change(k, flank) - change(k - mIn, flank)) : 0) << k;
        EXPECT_EQ(set.flankedInWindow[k],
                  flankRow && stones < 5 ? wrap(change(k, in) - change(k - mFlank, in)) : 0)
            << k;
        EXPECT_EQ(set.flankedOnFlank[k],
                  flankRow && flanks < 2 ? wrap(change(k, flank) - change(k - mFlank, flank)) : 0)
            << k;
    }
}

TEST(GainDeltas, AllSixteenTablesFollowTheRule) {
    checkDeltaRule<Colour::Own, Colour::Own>();
    checkDeltaRule<Colour::Own, Colour::Opponent>();
    checkDeltaRule<Colour::Opponent, Colour::Own>();
    checkDeltaRule<Colour::Opponent, Colour::Opponent>();
}

TEST(GainMap, EmptyBoardGainIsTheNumberOfContainingWindows) {
    const Board board{};
    const WindowCodes codes{};
    GainMap own, opponent;
    buildGainMap<Colour::Own>(own, board.data(), codes.data());
    buildGainMap<Colour::Opponent>(opponent, board.data(), codes.data());
    EXPECT_EQ(own.board, board.data());
    EXPECT_EQ(own.codes, codes.data());
    for (int cell = 0; cell < kCellCount; ++cell) {
        int containing = 0;
        for (const auto& run : boardtest::allRuns())
            for (Cell inside : run.cells) containing += inside == cell;
        EXPECT_EQ(own.gain[cell], containing) << cell;
        EXPECT_EQ(opponent.gain[cell], containing) << cell;
    }
    EXPECT_EQ(own.gain[0], 3);
    EXPECT_EQ(own.gain[kCentreCell], 20);
    EXPECT_EQ(staticEval(codes.data()), 0);
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
        Board board{};
        const auto moves = seed % 2 ? randomMoves(seed, 10 + static_cast<int>(seed * 5 % 150))
                                    : clusteredMoves(seed, 10 + static_cast<int>(seed % 40));
        for (const Move& move : moves) board[move.cell] = static_cast<std::uint8_t>(move.colour);
        WindowCodes codes{};
        rebuildWindowCodes(board, codes);
        GainMap own, opponent;
        buildGainMap<Colour::Own>(own, board.data(), codes.data());
        buildGainMap<Colour::Opponent>(opponent, board.data(), codes.data());
        expectGainsAreEvaluationChanges<Colour::Own>(board, codes, own);
        expectGainsAreEvaluationChanges<Colour::Opponent>(board, codes, opponent);
    }
}

void expectEqualAtEmptyCells(const Board& board, const GainMap& incremental, const GainMap& built,
                             const char* what) {
    for (int cell = 0; cell < kCellCount; ++cell)
        if (board[cell] == kEmpty) {
            ASSERT_EQ(incremental.gain[cell], built.gain[cell]) << what << " cell " << cell;
        }
}

struct GainPosition {
    Board board{};
    WindowCodes codes{};
    GainMap own;
    GainMap opponent;
    GainPosition() {
        buildGainMap<Colour::Own>(own, board.data(), codes.data());
        buildGainMap<Colour::Opponent>(opponent, board.data(), codes.data());
    }
};

void playAfterForm(GainPosition& position, const Move& move) {
    position.board[move.cell] = static_cast<std::uint8_t>(move.colour);
    if (move.colour == Colour::Own) {
        placeStone<Colour::Own>(position.codes.data(), move.cell);
        ownGainsAfterOwnMove(position.own, move.cell);
        opponentGainsAfterOwnMove(position.opponent, move.cell);
    } else {
        placeStone<Colour::Opponent>(position.codes.data(), move.cell);
        ownGainsAfterOpponentMove(position.own, move.cell);
        opponentGainsAfterOpponentMove(position.opponent, move.cell);
    }
}

// The before forms exist for the other colour's map; the mover's own map takes the after form
// once the stone is placed.
void playBeforeForm(GainPosition& position, const Move& move) {
    position.board[move.cell] = static_cast<std::uint8_t>(move.colour);
    if (move.colour == Colour::Own) {
        opponentGainsBeforeOwnMove(position.opponent, move.cell);
        placeStone<Colour::Own>(position.codes.data(), move.cell);
        ownGainsAfterOwnMove(position.own, move.cell);
    } else {
        ownGainsBeforeOpponentMove(position.own, move.cell);
        placeStone<Colour::Opponent>(position.codes.data(), move.cell);
        opponentGainsAfterOpponentMove(position.opponent, move.cell);
    }
}

void expectMatchesBuild(const GainPosition& position, const char* what) {
    GainMap own, opponent;
    buildGainMap<Colour::Own>(own, position.board.data(), position.codes.data());
    buildGainMap<Colour::Opponent>(opponent, position.board.data(), position.codes.data());
    expectEqualAtEmptyCells(position.board, position.own, own, what);
    expectEqualAtEmptyCells(position.board, position.opponent, opponent, what);
}

TEST(GainMap, IncrementalAfterFormMatchesBuild) {
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const Colour first = seed % 2 ? Colour::Own : Colour::Opponent;
        const auto moves = seed % 3 ? randomMoves(seed, 200, first) : clusteredMoves(seed, 120, first);
        GainPosition position;
        for (const Move& move : moves) {
            playAfterForm(position, move);
            expectMatchesBuild(position, "after form");
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

TEST(GainMap, IncrementalBeforeFormMatchesBuild) {
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const Colour first = seed % 2 ? Colour::Own : Colour::Opponent;
        const auto moves = seed % 3 ? randomMoves(seed, 200, first) : clusteredMoves(seed, 120, first);
        GainPosition position;
        for (const Move& move : moves) {
            playBeforeForm(position, move);
            expectMatchesBuild(position, "before form");
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

// A before update then placing the stone gives the very same map, every cell included, as
// placing the stone then the after update.
TEST(GainMap, BeforeThenPlaceEqualsPlaceThenAfter) {
    for (std::uint32_t seed = 200; seed < 230; ++seed) {
        const auto moves = randomMoves(seed, 150);
        GainPosition position;
        for (const Move& move : moves) {
            GainMap ownBefore = position.own, opponentBefore = position.opponent;
            GainMap ownAfter = position.own, opponentAfter = position.opponent;
            if (move.colour == Colour::Own) {
                opponentGainsBeforeOwnMove(opponentBefore, move.cell);
                gainsBeforeMove<Colour::Own, Colour::Own>(ownBefore, move.cell);
                position.board[move.cell] = kOwnStone;
                placeStone<Colour::Own>(position.codes.data(), move.cell);
                opponentGainsAfterOwnMove(opponentAfter, move.cell);
                ownGainsAfterOwnMove(ownAfter, move.cell);
            } else {
                ownGainsBeforeOpponentMove(ownBefore, move.cell);
                gainsBeforeMove<Colour::Opponent, Colour::Opponent>(opponentBefore, move.cell);
                position.board[move.cell] = kOpponentStone;
                placeStone<Colour::Opponent>(position.codes.data(), move.cell);
                ownGainsAfterOpponentMove(ownAfter, move.cell);
                opponentGainsAfterOpponentMove(opponentAfter, move.cell);
            }
            ASSERT_EQ(ownBefore.gain, ownAfter.gain) << "seed " << seed;
            ASSERT_EQ(opponentBefore.gain, opponentAfter.gain) << "seed " << seed;
            position.own = ownAfter;
            position.opponent = opponentAfter;
        }
    }
}

// The node evaluation step: the child's evaluation is the parent's plus the mover's gain
// (own stone) or minus the opponent map's gain (opponent stone), in 16-bit arithmetic.
TEST(GainMap, StaticEvalMovesByTheGainOfEachMove) {
    for (std::uint32_t seed = 300; seed < 330; ++seed) {
        GainPosition position;
        Score eval = staticEval(position.codes.data());
        for (const Move& move : clusteredMoves(seed, 150, seed % 2 ? Colour::Own : Colour::Opponent)) {
            if (move.colour == Colour::Own) eval = wrap(eval + position.own.gain[move.cell]);
            else eval = wrap(eval - position.opponent.gain[move.cell]);
            playAfterForm(position, move);
            ASSERT_EQ(eval, staticEval(position.codes.data())) << "seed " << seed;
        }
    }
}

}  // namespace
}  // namespace quoll

// Position state: Zobrist keys, position keys and their update, and placing and lifting stone
// digits in the window codes (also through the scope guard).

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "board/state.hpp"
#include "board_helpers.hpp"

namespace quoll {
namespace {

using boardtest::Move;
using boardtest::randomMoves;
using boardtest::referenceCodes;

TEST(Zobrist, KeysAreTheGeneratorsDrawsInOrder) {
    EXPECT_EQ(zobristStone[0][0], 0x28E837C5CB41DC3EULL);
    std::mt19937_64 generator(0);
    for (int row = 0; row < 2; ++row)
        for (int cell = 0; cell < kCellCount; ++cell)
            ASSERT_EQ(zobristStone[row][cell], generator()) << "row " << row << " cell " << cell;
    EXPECT_EQ(zobristSide, generator());
}

TEST(PositionKey, EmptyBoard) {
    const Board empty{};
    EXPECT_EQ(positionKey(empty, kOwnStone, kOwnStone), zobristSide);
    EXPECT_EQ(positionKey(empty, kOwnStone, kOpponentStone), 0u);
    EXPECT_EQ(positionKey(empty, kOpponentStone, kOpponentStone), zobristSide);
    EXPECT_EQ(positionKey(empty, kOpponentStone, kOwnStone), 0u);
}

TEST(PositionKey, RowFollowsWhoMovedFirst) {
    Board board{};
    board[40] = kOwnStone;
    board[41] = kOpponentStone;
    EXPECT_EQ(positionKey(board, kOwnStone, kOwnStone),
              zobristStone[0][40] ^ zobristStone[1][41] ^ zobristSide);
    EXPECT_EQ(positionKey(board, kOpponentStone, kOwnStone), zobristStone[1][40] ^ zobristStone[0][41]);
}

// The key handed from node to node equals the key computed from scratch after every move.
TEST(PositionKey, UpdateMatchesKeyFromScratch) {
    for (std::uint8_t firstColour : {kOwnStone, kOpponentStone}) {
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            const Colour first = static_cast<Colour>(firstColour);
            Board board{};
            HashKey key{positionKey(board, firstColour, firstColour), firstColour};
            std::uint8_t toMove = firstColour;
            for (const Move& move : randomMoves(seed, 100, first)) {
                const std::uint8_t stone = static_cast<std::uint8_t>(move.colour);
                ASSERT_EQ(stone, toMove);
                board[move.cell] = stone;
                toMove = stone == kOwnStone ? kOpponentStone : kOwnStone;
                updateKey(key, move.cell, stone);
                ASSERT_EQ(key.key, positionKey(board, firstColour, toMove)) << "seed " << seed;
            }
        }
    }
}

TEST(StonePlacement, OwnStoneOnCellZero) {
    WindowCodes codes{};
    placeStone<Colour::Own>(codes.data(), 0);
    WindowCodes expected{};
    expected[0] = expected[165] = expected[506] = 6;
    expected[1] = expected[166] = expected[507] = 108;
    EXPECT_EQ(codes, expected);
    liftStone<Colour::Own>(codes.data(), 0);
    EXPECT_EQ(codes, WindowCodes{});
}

TEST(StonePlacement, StonesOnCellFourteen) {
    WindowCodes codes{};
    placeStone<Colour::Own>(codes.data(), 14);
    WindowCodes expected{};
    expected[10] = expected[319] = expected[385] = 6;
    expected[9] = expected[320] = expected[386] = 108;
    EXPECT_EQ(codes, expected);
    liftStone<Colour::Own>(codes.data(), 14);

    placeStone<Colour::Opponent>(codes.data(), 14);
    expected = {};
    expected[10] = expected[319] = expected[385] = 1;
    expected[9] = expected[320] = expected[386] = 36;
    EXPECT_EQ(codes, expected);
    liftStone<Colour::Opponent>(codes.data(), 14);
    EXPECT_EQ(codes, WindowCodes{});
}

TEST(StonePlacement, RebuildCountsTheStones) {
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
        Board board{};
        for (const Move& move : randomMoves(seed, static_cast<int>(seed * 7 % 200)))
            board[move.cell] = static_cast<std::uint8_t>(move.colour);
        WindowCodes codes;
        codes.fill(77);  // whatever the codes held before
        rebuildWindowCodes(board, codes);
        EXPECT_EQ(codes, referenceCodes(board)) << "seed " << seed;
    }
}

// Incremental codes after each place and after lifting back in reverse order, against the
// rebuild of the same board.
TEST(StonePlacement, PlaceAndLiftMatchRebuild) {
    for (std::uint32_t seed = 100; seed < 140; ++seed) {
        const Colour first = seed % 2 == 0 ? Colour::Own : Colour::Opponent;
        const auto moves = randomMoves(seed, 60 + static_cast<int>(seed % 7) * 20, first);
        Board board{};
        WindowCodes codes{};
        WindowCodes rebuilt{};
        for (const Move& move : moves) {
            board[move.cell] = static_cast<std::uint8_t>(move.colour);
            if (move.colour == Colour::Own) placeStone<Colour::Own>(codes.data(), move.cell);
            else placeStone<Colour::Opponent>(codes.data(), move.cell);
            rebuildWindowCodes(board, rebuilt);
            ASSERT_EQ(codes, rebuilt) << "seed " << seed;
        }
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            if (it->colour == Colour::Own) liftStone<Colour::Own>(codes.data(), it->cell);
            else liftStone<Colour::Opponent>(codes.data(), it->cell);
            board[it->cell] = kEmpty;
            rebuildWindowCodes(board, rebuilt);
            ASSERT_EQ(codes, rebuilt) << "seed " << seed;
        }
        EXPECT_EQ(codes, WindowCodes{});
    }
}

TEST(StoneGuard, LiftsOnScopeExit) {
    WindowCodes codes{};
    {
        StoneGuard<Colour::Own> guard(codes.data(), kCentreCell);
        WindowCodes expected{};
        placeStone<Colour::Own>(expected.data(), kCentreCell);
        EXPECT_EQ(codes, expected);
    }
    EXPECT_EQ(codes, WindowCodes{});
}

TEST(StoneGuard, LiftsWhenAnExceptionPassesThrough) {
    WindowCodes codes{};
    auto node = [&] {
        StoneGuard<Colour::Opponent> outer(codes.data(), 0);
        StoneGuard<Colour::Own> inner(codes.data(), 1);
        throw std::runtime_error("abort");
    };
    EXPECT_THROW(node(), std::runtime_error);
    EXPECT_EQ(codes, WindowCodes{});
}

TEST(StoneGuard, ExplicitLiftThenDestructorLiftsOnce) {
    WindowCodes codes{};
    placeStone<Colour::Opponent>(codes.data(), 50);  // a stone that stays
    const WindowCodes before = codes;
    {
        StoneGuard<Colour::Own> guard(codes.data(), 51);
        guard.lift();
        EXPECT_EQ(codes, before);
        guard.lift();
        EXPECT_EQ(codes, before);
    }
    EXPECT_EQ(codes, before);
}

}  // namespace
}  // namespace quoll

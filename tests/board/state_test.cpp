// Position state: Zobrist keys, position keys and their update, and placing and lifting stone
// digits in the window codes (also through the scope guard).

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "board/state.hpp"
#include "support/positions.hpp"

namespace quoll {
namespace {

using test::Move;
using test::randomMoves;

TEST(Zobrist, KeysAreTheGeneratorsDrawsInOrder) {
    EXPECT_EQ(zobristStone[0][0], 0x28E837C5CB41DC3EULL);
    std::mt19937_64 generator(0);
    for (int row = 0; row < 2; ++row)
        for (int cell = 0; cell < kCellCount; ++cell)
            ASSERT_EQ(zobristStone[row][cell], generator()) << "row " << row << " cell " << cell;
    EXPECT_EQ(zobristSide, generator());
}

TEST(PositionKey, RowFollowsWhoMovedFirst) {
    Board board{};
    EXPECT_EQ(positionKey(board, kOwnStone, kOwnStone), zobristSide);
    EXPECT_EQ(positionKey(board, kOwnStone, kOpponentStone), 0u);
    EXPECT_EQ(positionKey(board, kOpponentStone, kOpponentStone), zobristSide);
    EXPECT_EQ(positionKey(board, kOpponentStone, kOwnStone), 0u);
    board[40] = kOwnStone;
    board[41] = kOpponentStone;
    EXPECT_EQ(positionKey(board, kOwnStone, kOwnStone),
              zobristStone[0][40] ^ zobristStone[1][41] ^ zobristSide);
    EXPECT_EQ(positionKey(board, kOpponentStone, kOwnStone),
              zobristStone[1][40] ^ zobristStone[0][41]);
}

// The key handed from node to node equals the key computed from scratch after every move.
TEST(PositionKey, UpdateMatchesKeyFromScratch) {
    for (std::uint8_t firstColour : {kOwnStone, kOpponentStone}) {
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            Board board{};
            HashKey key{positionKey(board, firstColour, firstColour), firstColour};
            for (const Move& move : randomMoves(seed, 100, static_cast<Colour>(firstColour))) {
                const std::uint8_t stone = static_cast<std::uint8_t>(move.colour);
                board[move.cell] = stone;
                updateKey(key, move.cell, stone);
                const std::uint8_t toMove = stone == kOwnStone ? kOpponentStone : kOwnStone;
                ASSERT_EQ(key.key, positionKey(board, firstColour, toMove)) << "seed " << seed;
            }
        }
    }
}

TEST(StonePlacement, TellingCells) {
    struct Row {
        Cell cell;
        std::array<int, 3> inside, beside;  // windows holding the stone, windows it flanks
    };
    for (const Row& row :
         {Row{0, {0, 165, 506}, {1, 166, 507}}, Row{14, {10, 319, 385}, {9, 320, 386}}}) {
        for (Colour colour : {Colour::Own, Colour::Opponent}) {
            WindowCodes codes{}, expected{};
            for (int w : row.inside) expected[w] = colour == Colour::Own ? 6 : 1;
            for (int w : row.beside) expected[w] = colour == Colour::Own ? 108 : 36;
            if (colour == Colour::Own) placeStone<Colour::Own>(codes.data(), row.cell);
            else placeStone<Colour::Opponent>(codes.data(), row.cell);
            EXPECT_EQ(codes, expected) << "cell " << row.cell;
            if (colour == Colour::Own) liftStone<Colour::Own>(codes.data(), row.cell);
            else liftStone<Colour::Opponent>(codes.data(), row.cell);
            EXPECT_EQ(codes, WindowCodes{});
        }
    }
}

// Incremental codes after each place and after lifting back in reverse order, against the
// rebuild of the same board; the rebuild against the codes counted from the stones.
TEST(StonePlacement, PlaceAndLiftMatchRebuild) {
    for (std::uint32_t seed = 100; seed < 140; ++seed) {
        const Colour first = seed % 2 == 0 ? Colour::Own : Colour::Opponent;
        const auto moves = randomMoves(seed, 60 + static_cast<int>(seed % 7) * 20, first);
        Board board{};
        WindowCodes codes{}, rebuilt;
        rebuilt.fill(77);  // whatever the codes held before
        for (const Move& move : moves) {
            board[move.cell] = static_cast<std::uint8_t>(move.colour);
            if (move.colour == Colour::Own) placeStone<Colour::Own>(codes.data(), move.cell);
            else placeStone<Colour::Opponent>(codes.data(), move.cell);
            rebuildWindowCodes(board, rebuilt);
            ASSERT_EQ(codes, rebuilt) << "seed " << seed;
        }
        EXPECT_EQ(rebuilt, test::codesByDefinition(board)) << "seed " << seed;
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            if (it->colour == Colour::Own) liftStone<Colour::Own>(codes.data(), it->cell);
            else liftStone<Colour::Opponent>(codes.data(), it->cell);
            board[it->cell] = kEmpty;
            rebuildWindowCodes(board, rebuilt);
            ASSERT_EQ(codes, rebuilt) << "seed " << seed;
        }
    }
}

TEST(StoneGuard, LiftsOnScopeExitAndWhenAnExceptionPassesThrough) {
    WindowCodes codes{};
    {
        StoneGuard<Colour::Own> guard(codes.data(), kCentreCell);
        WindowCodes expected{};
        placeStone<Colour::Own>(expected.data(), kCentreCell);
        EXPECT_EQ(codes, expected);
    }
    EXPECT_EQ(codes, WindowCodes{});
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
        guard.lift();
        EXPECT_EQ(codes, before);
    }
    EXPECT_EQ(codes, before);
}

}  // namespace
}  // namespace quoll

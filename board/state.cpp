#include "board/state.hpp"

#include <random>

namespace quoll {

namespace {

ZobristKeys drawZobristKeys() {
    std::mt19937_64 generator(0);
    ZobristKeys keys{};
    for (auto& row : keys.stone)
        for (auto& key : row) key = generator();
    keys.side = generator();
    return keys;
}

}  // namespace

const ZobristKeys kZobrist = drawZobristKeys();

std::uint64_t positionKey(const Board& board, std::uint8_t firstColour, std::uint8_t colourToMove) {
    std::uint64_t key = 0;
    for (int cell = 0; cell < kCellCount; ++cell)
        if (board[cell] != kEmpty) key ^= kZobrist.stone[board[cell] == firstColour ? 0 : 1][cell];
    if (colourToMove == firstColour) key ^= kZobrist.side;
    return key;
}

void rebuildWindowCodes(const Board& board, WindowCodes& codes) {
    codes.fill(0);
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (board[cell] == kOwnStone) placeStone<Colour::Own>(codes.data(), static_cast<Cell>(cell));
        else if (board[cell] == kOpponentStone)
            placeStone<Colour::Opponent>(codes.data(), static_cast<Cell>(cell));
    }
}

}  // namespace quoll

#include "board/state.hpp"

#include <random>

namespace quoll {

namespace {

// One generator for all keys, so that the side key is the draw after the last stone key.
std::mt19937_64 keyGenerator(0);

ZobristStoneKeys drawStoneKeys() {
    ZobristStoneKeys keys{};
    for (auto& row : keys)
        for (auto& key : row) key = keyGenerator();
    return keys;
}

}  // namespace

// Defined in this order: the stone keys are drawn before the side key.
const ZobristStoneKeys zobristStone = drawStoneKeys();
const std::uint64_t zobristSide = keyGenerator();

std::uint64_t positionKey(const Board& board, std::uint8_t firstColour, std::uint8_t colourToMove) {
    std::uint64_t key = 0;
    for (int cell = 0; cell < kCellCount; ++cell)
        if (board[cell] != kEmpty) key ^= zobristStone[board[cell] == firstColour ? 0 : 1][cell];
    if (colourToMove == firstColour) key ^= zobristSide;
    return key;
}

void rebuildWindowCodes(const Board& board, WindowCodes& codes) {
    codes.fill(0);
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (board[cell] == kOwnStone)
            placeStone<Colour::Own>(codes.data(), static_cast<Cell>(cell));
        else if (board[cell] == kOpponentStone)
            placeStone<Colour::Opponent>(codes.data(), static_cast<Cell>(cell));
    }
}

}  // namespace quoll

#pragma once
// Shared vocabulary of the engine: cells, stones, colours, scores and depths.

#include <cstdint>

namespace quoll {

using Cell = std::uint16_t;        // row * 15 + column, row 0 at the top
using WindowCode = std::uint16_t;  // packed stone counts of one five-cell window
using Score = std::int16_t;        // negamax score; stored values wrap at 16 bits
using Depth = std::int16_t;        // in twelfths of a ply
using Ply = std::int16_t;          // distance from the root

inline constexpr int kBoardSize = 15;
inline constexpr int kCellCount = 225;
inline constexpr int kWindowCount = 572;
inline constexpr int kDirectionCount = 4;
inline constexpr Cell kNoCell = 0x7FFF;  // larger than every cell and every window index
inline constexpr Cell kCentreCell = 112;

// Stone values on every board.
inline constexpr std::uint8_t kEmpty = 0;
inline constexpr std::uint8_t kOwnStone = 1;       // the engine
inline constexpr std::uint8_t kOpponentStone = 2;  // its opponent

// Own and opponent always mean the engine and its opponent, also when the search plays the
// opponent's moves. Colour-dependent routines take the colour as a template parameter.
enum class Colour : std::uint8_t { Own = kOwnStone, Opponent = kOpponentStone };

constexpr Colour opponentOf(Colour colour) {
    return colour == Colour::Own ? Colour::Opponent : Colour::Own;
}
template <Colour C>
inline constexpr std::uint8_t kStone = static_cast<std::uint8_t>(C);

// Score scale, always from the side to move's point of view.
inline constexpr Score kInfinity = 31000;      // window bound; what an aborted node returns
inline constexpr Score kWinScore = 30000;      // a five at distance p from the root is 30000 - p
inline constexpr Score kWinThreshold = 29000;  // at or beyond it the game is decided

inline constexpr Depth kPlyUnit = 12;
inline constexpr Ply kMaxPly = 49;  // a node at this ply or deeper is a horizon node

constexpr int cellRow(Cell cell) { return cell / kBoardSize; }
constexpr int cellColumn(Cell cell) { return cell % kBoardSize; }
constexpr Cell makeCell(int row, int column) {
    return static_cast<Cell>(row * kBoardSize + column);
}

}  // namespace quoll

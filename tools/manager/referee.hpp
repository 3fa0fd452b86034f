#pragma once
// The rules of the game judged from the board alone, as a tournament manager judges them: a move
// reply must be exactly "x,y" on an empty cell, and a game is won by exactly five stones in a
// row (six or more do not count). Independent of the engine's own code, so that tools and tests
// can check the engine against it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quoll::tools {

inline constexpr int kSide = 15;
inline constexpr int kCells = kSide * kSide;

// Stone values as the engine's protocol board has them; the referee uses them for two players.
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kBlackStone = 1;
inline constexpr std::uint8_t kWhiteStone = 2;

using Stones = std::array<std::uint8_t, kCells>;

constexpr std::uint8_t otherStone(std::uint8_t stone) {
    return stone == kBlackStone ? kWhiteStone : kBlackStone;
}

// Row and column steps of the four lines: horizontal, vertical, anti-diagonal, diagonal.
inline constexpr int kLineRowStep[4] = {0, 1, 1, 1};
inline constexpr int kLineColumnStep[4] = {1, 0, -1, 1};

constexpr bool onBoard(int row, int column) {
    return row >= 0 && row < kSide && column >= 0 && column < kSide;
}

// "x,y" of a cell, as move replies and requests write it.
std::string moveText(int cell);

// A coordinate 0..14 in plain decimal: no sign, blank or leading zero.
std::optional<int> parseCoordinate(std::string_view text);

// The cell of a move reply, or nothing when the line is not exactly "x,y".
std::optional<int> parseMoveReply(std::string_view line);

// Length of the run of `stone` through `cell` along `line`, counting `cell` as holding `stone`.
int runThrough(const Stones& board, int cell, std::uint8_t stone, int line);

// True when `stone` on `cell` stands in a run of exactly five on some line.
bool makesExactFive(const Stones& board, int cell, std::uint8_t stone);

// The empty cells on which `stone` would make an exact five, in increasing order.
std::vector<int> fiveCells(const Stones& board, std::uint8_t stone);

// True when some stone of `stone`'s colour already stands in an exact five.
bool hasExactFive(const Stones& board, std::uint8_t stone);

bool isFull(const Stones& board);

// True when some stone lies within `distance` rows and columns of the cell.
bool nearStones(const Stones& board, int cell, int distance);

}  // namespace quoll::tools

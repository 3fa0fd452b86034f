#pragma once
// The rules of the game judged from the board alone, as a tournament manager judges them: a move
// reply must be exactly "x,y" on an empty cell, and a game is won by exactly five stones in a
// row (six or more do not count). Header-only and independent of the engine's own code, so that
// tools and tests can check the engine against it.

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

inline std::string moveText(int cell) {
    return std::to_string(cell % kSide) + "," + std::to_string(cell / kSide);
}

// A coordinate 0..14 in plain decimal: no sign, blank or leading zero.
inline std::optional<int> parseCoordinate(std::string_view text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    if (text.size() == 2 && text[0] == '0') return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value < kSide ? std::optional<int>(value) : std::nullopt;
}

// The cell of a move reply, or nothing when the line is not exactly "x,y".
inline std::optional<int> parseMoveReply(std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const auto x = parseCoordinate(line.substr(0, comma));
    const auto y = parseCoordinate(line.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return *y * kSide + *x;
}

// Length of the run of `stone` through `cell` along `line`, counting `cell` as holding `stone`.
inline int runThrough(const Stones& board, int cell, std::uint8_t stone, int line) {
    const int row = cell / kSide;
    const int column = cell % kSide;
    int length = 1;
    for (const int sign : {-1, 1}) {
        int r = row + sign * kLineRowStep[line];
        int c = column + sign * kLineColumnStep[line];
        while (onBoard(r, c) && board[r * kSide + c] == stone) {
            ++length;
            r += sign * kLineRowStep[line];
            c += sign * kLineColumnStep[line];
        }
    }
    return length;
}

// True when `stone` on `cell` stands in a run of exactly five on some line.
inline bool makesExactFive(const Stones& board, int cell, std::uint8_t stone) {
    for (int line = 0; line < 4; ++line)
        if (runThrough(board, cell, stone, line) == 5) return true;
    return false;
}

// The empty cells on which `stone` would make an exact five, in increasing order.
inline std::vector<int> fiveCells(const Stones& board, std::uint8_t stone) {
    std::vector<int> cells;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == kNone && makesExactFive(board, cell, stone)) cells.push_back(cell);
    return cells;
}

// True when some stone of `stone`'s colour already stands in an exact five.
inline bool hasExactFive(const Stones& board, std::uint8_t stone) {
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == stone && makesExactFive(board, cell, stone)) return true;
    return false;
}

inline bool isFull(const Stones& board) {
    for (const std::uint8_t stone : board)
        if (stone == kNone) return false;
    return true;
}

// True when some stone lies within `distance` rows and columns of the cell.
inline bool nearStones(const Stones& board, int cell, int distance) {
    const int row = cell / kSide;
    const int column = cell % kSide;
    for (int r = row - distance; r <= row + distance; ++r)
        for (int c = column - distance; c <= column + distance; ++c)
            if (onBoard(r, c) && board[r * kSide + c] != kNone) return true;
    return false;
}

}  // namespace quoll::tools

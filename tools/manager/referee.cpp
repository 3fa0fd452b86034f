#include "tools/manager/referee.hpp"

namespace quoll::tools {

std::string moveText(int cell) {
    return std::to_string(cell % kSide) + "," + std::to_string(cell / kSide);
}

std::optional<int> parseCoordinate(std::string_view text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    if (text.size() == 2 && text[0] == '0') return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value < kSide ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> parseMoveReply(std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const auto x = parseCoordinate(line.substr(0, comma));
    const auto y = parseCoordinate(line.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return *y * kSide + *x;
}

int runThrough(const Stones& board, int cell, std::uint8_t stone, int line) {
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

bool makesExactFive(const Stones& board, int cell, std::uint8_t stone) {
    for (int line = 0; line < 4; ++line)
        if (runThrough(board, cell, stone, line) == 5) return true;
    return false;
}

std::vector<int> fiveCells(const Stones& board, std::uint8_t stone) {
    std::vector<int> cells;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == kNone && makesExactFive(board, cell, stone)) cells.push_back(cell);
    return cells;
}

bool hasExactFive(const Stones& board, std::uint8_t stone) {
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == stone && makesExactFive(board, cell, stone)) return true;
    return false;
}

bool isFull(const Stones& board) {
    for (const std::uint8_t stone : board)
        if (stone == kNone) return false;
    return true;
}

bool nearStones(const Stones& board, int cell, int distance) {
    const int row = cell / kSide;
    const int column = cell % kSide;
    for (int r = row - distance; r <= row + distance; ++r)
        for (int c = column - distance; c <= column + distance; ++c)
            if (onBoard(r, c) && board[r * kSide + c] != kNone) return true;
    return false;
}

}  // namespace quoll::tools

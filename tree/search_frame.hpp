#pragma once
// Helpers shared by the node kinds of the tree search.

#include <cstdint>

#include "board/types.hpp"

namespace quoll {

// A stone written on the board for a child search, cleared on every way out.
class BoardStone {
public:
    BoardStone(std::uint8_t* board, Cell cell, std::uint8_t stone) : board_(board), cell_(cell) {
        board_[cell_] = stone;
    }
    ~BoardStone() { board_[cell_] = kEmpty; }
    BoardStone(const BoardStone&) = delete;
    BoardStone& operator=(const BoardStone&) = delete;

private:
    std::uint8_t* board_;
    Cell cell_;
};

// Fail-hard return of a decided score found by the threat tests.
inline Score clampToWindow(Score s, Score alpha, Score beta) {
    if (s > beta) return beta;
    return s > alpha ? s : alpha;
}

}  // namespace quoll

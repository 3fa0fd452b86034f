#pragma once
// Helpers shared by the node kinds of the tree search.

#include <cstdint>
#include <optional>

#include "board/state.hpp"
#include "board/types.hpp"
#include "tree/pruning.hpp"

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

// Starts loading the table slot of the child that plays `cell`, for the probe it makes first
// thing: its key is this node's key with the stone.
inline void prefetchChildSlot(const TranspositionTable& table, HashKey key, Cell cell,
                              std::uint8_t stone) {
    updateKey(key, cell, stone);
    prefetchSlot(table, key.key);
}

// The same for the children that play cells[first, end).
inline void prefetchChildSlots(const TranspositionTable& table, HashKey key, const Cell* cells,
                               int first, int end, std::uint8_t stone) {
    for (int i = first; i < end; ++i) prefetchChildSlot(table, key, cells[i], stone);
}

// Mate-distance bounds: the quickest win and the slowest loss still possible at this ply bound
// the window. Each returns the node's score when the narrowed window is empty.
inline std::optional<Score> boundByWin(int ply, Score alpha, Score& beta) {
    const Score w = winBound(ply);
    if (w < beta) {
        beta = w;
        if (alpha >= w) return w;
    }
    return std::nullopt;
}

inline std::optional<Score> boundByLoss(int ply, Score& alpha, Score beta) {
    const Score l = lossScore(ply, 4);
    if (alpha < l) {
        alpha = l;
        if (l >= beta) return l;
    }
    return std::nullopt;
}

// Fail-hard return of a decided score found by the threat tests.
inline Score clampToWindow(Score s, Score alpha, Score beta) {
    if (s > beta) return beta;
    return s > alpha ? s : alpha;
}

}  // namespace quoll

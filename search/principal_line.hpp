#pragma once
// The line the search expects: the root's move, then the moves the table holds for the
// positions that follow it.

#include <array>

#include "board/state.hpp"

namespace quoll {

inline constexpr int kMaxLineMoves = 20;

struct PrincipalLine {
    std::array<Cell, kMaxLineMoves> moves{};
    int length = 0;
};

// `first` (the engine's move in the state's position), then for each position reached the
// table's move for it, each move played on a copy of the board. The line ends before an
// empty slot, a move that is no empty cell of the board reached, or a position already in it;
// after a five; or at kMaxLineMoves moves. Empty when `first` is no empty cell.
PrincipalLine principalLine(const EngineState& state, Cell first);

}  // namespace quoll

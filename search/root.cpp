#include "search/root.hpp"

namespace quoll {

// Placeholder until the search lands: the first empty cell.
Cell searchRoot(EngineState& state, RootReport* report, Depth) {
    if (report) *report = RootReport{};
    for (int cell = 0; cell < kCellCount; ++cell)
        if (state.board[cell] == kEmpty) return static_cast<Cell>(cell);
    return kNoCell;
}

}  // namespace quoll

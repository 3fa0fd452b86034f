#include "search/principal_line.hpp"

#include <algorithm>

#include "board/geometry.hpp"
#include "board/windows.hpp"

namespace quoll {

namespace {

// Plays colour C's stone on a cell of the copy and tells whether it stands in an exact five.
template <Colour C>
bool playMakesFive(Board& board, WindowCodes& codes, Cell cell) {
    board[cell] = kStone<C>;
    placeStone<C>(codes.data(), cell);
    for (const CellWindowRange& range : kCellWindowRanges[cell])
        for (int w = range.first; w < range.end; ++w)
            if (matchesPattern<C>(codes[w], 5 * kInUnit<C>)) return true;
    return false;
}

}  // namespace

PrincipalLine principalLine(const EngineState& state, Cell first) {
    PrincipalLine line;
    Board board = state.board;
    WindowCodes codes = state.windowCodes;
    // The keys as the tree nodes make them: the root's, then each move's stone folded in.
    HashKey key{positionKey(board, state.firstColour, state.colourToMove), state.firstColour};
    std::array<std::uint64_t, kMaxLineMoves + 1> seen{key.key};
    bool ownMove = true;  // the engine is to move at the root
    for (Cell move = first; line.length < kMaxLineMoves;) {
        if (move >= kCellCount || board[move] != kEmpty) break;
        line.moves[line.length++] = move;
        const bool five = ownMove ? playMakesFive<Colour::Own>(board, codes, move)
                                  : playMakesFive<Colour::Opponent>(board, codes, move);
        if (five || state.table.size == 0) break;
        updateKey(key, move, ownMove ? kOwnStone : kOpponentStone);
        const auto seenEnd = seen.begin() + line.length;
        if (std::find(seen.begin(), seenEnd, key.key) != seenEnd) break;
        *seenEnd = key.key;
        const TTEntry entry = readEntry(state.table, key.key);
        if (!holdsPosition(entry, key.key)) break;
        move = entry.move;
        ownMove = !ownMove;
    }
    return line;
}

}  // namespace quoll

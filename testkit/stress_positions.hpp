#pragma once
// Dense and extreme positions for stress tests and tools: random playouts that fill the board
// without a five, and positions crowded with open threes and fours.

#include <cstdint>
#include <vector>

#include "board/state.hpp"

namespace quoll {

// Plays `stones` random moves alternately (opponent first when the count is odd, so that the
// engine is to move), never making a four or a five, so that no forced rule answers at once.
// Fewer stones result when no such cell is left. With `preferThreats`, of several random cells
// the one making the most stones in an unblocked window: positions crowded with threats of both
// colours.
GameRecord randomPlayout(std::uint64_t seed, int stones, bool preferThreats);
inline GameRecord randomDensePosition(std::uint64_t seed, int stones) {
    return randomPlayout(seed, stones, false);
}
inline GameRecord randomThreatPosition(std::uint64_t seed, int stones) {
    return randomPlayout(seed, stones, true);
}

// Positions of a game the engine plays against itself from a random three-stone opening, with
// `budgetMs` per move, until a five or `maxMoves` stones: every position with the side to move
// recoloured as the engine. Deterministic only at a fixed depth (budgetMs < 0 gives depth
// -budgetMs plies); with a time budget it depends on the machine.
std::vector<GameRecord> selfPlayPositions(EngineState& state, std::uint64_t seed, int maxMoves,
                                          int budgetMs);

// True when the stone on `cell` stands in a run of five or more of its colour.
bool makesFiveOrMore(const Board& board, Cell cell);

}  // namespace quoll

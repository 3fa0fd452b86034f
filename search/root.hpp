#pragma once
// Root search: forced moves by rule, then iterative deepening over the root candidates.

#include <cstdint>
#include <optional>

#include "board/state.hpp"

namespace quoll {

inline constexpr Depth kRootStartDepth = 48;

// How the root came to its answer: by a search, or without one and why.
enum class RootAnswer : std::uint8_t {
    Searched,      // the deepening ran (it may have stopped before its first iteration ended)
    Five,          // completes a five
    Block,         // blocks the opponent's five
    DoubleFour,    // makes two fours at once
    Defence,       // the one cell that meets most of the opponent's double fours
    OnlyMove,      // one candidate left after the filters
    NoCandidates,  // no candidate at all: the best empty cell by gain
    Table,         // a proven result read from the table
    Opening,       // the centre on an empty board (the think step's rule: no root call)
};

// What the last searchRoot call did, for the detail lines, benchmarks and tests.
struct RootReport {
    RootAnswer answer = RootAnswer::Searched;  // every searchRoot call sets it
    Depth lastCompletedDepth = 0;
    Score bestScore = 0;      // of the last completed iteration
    Cell bestMove = kNoCell;  // of the last completed iteration
    // The score of the move returned, when known: that of the last completed iteration, or of a
    // better move found by the iteration that ran out of time or nodes.
    std::optional<Score> answerScore;

    // False when a rule or the table answered without a tree search.
    bool searched() const { return answer == RootAnswer::Searched; }
};

// Told after every completed iteration; the state's board is the root's again by then.
using IterationListener = void (*)(const EngineState& state, const RootReport& report);

// The engine's move in the loaded position (engine to move), or kNoCell when it has none. It is
// never one of the state's unavailable cells.
// `lastDepth`, when set, ends the deepening after the iteration of that depth (benchmarks, the
// manager's depth limit).
Cell searchRoot(EngineState& state, RootReport* report = nullptr, Depth lastDepth = 0,
                IterationListener onIteration = nullptr);

}  // namespace quoll

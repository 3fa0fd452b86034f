// Timings of the board model's per-node work on a middle-game position: placing and lifting a
// stone's window-code digits, the gain-map update for a move, and the threat-tracker update.

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <vector>

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"

namespace {

using namespace quoll;

// 28 moves of a game, the engine first, as (row, column).
constexpr int kMiddleGame[][2] = {{7, 7},  {6, 8},  {8, 8}, {6, 6},  {6, 7}, {5, 7},  {8, 6},
                                  {9, 9},  {8, 7},  {8, 5}, {7, 6},  {9, 6}, {7, 8},  {7, 5},
                                  {5, 9},  {4, 10}, {9, 8}, {10, 9}, {6, 9}, {9, 5},  {10, 7},
                                  {11, 7}, {7, 10}, {8, 9}, {5, 5},  {4, 4}, {6, 10}, {8, 11}};

// The position, and for each candidate move (every empty cell next to a stone) a board and
// window codes that already hold an engine stone there, as a child node sees them.
struct Fixture {
    Board board{};
    WindowCodes codes{};
    std::vector<Cell> candidates;
    std::vector<Board> childBoards;
    std::vector<WindowCodes> childCodes;

    Fixture() {
        int ply = 0;
        for (const auto& move : kMiddleGame)
            board[makeCell(move[0], move[1])] = ply++ % 2 == 0 ? kOwnStone : kOpponentStone;
        rebuildWindowCodes(board, codes);
        for (int cell = 0; cell < kCellCount; ++cell) {
            if (board[cell] != kEmpty) continue;
            const int row = cellRow(static_cast<Cell>(cell)),
                      column = cellColumn(static_cast<Cell>(cell));
            bool near = false;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int r = row + dr, c = column + dc;
                    if (r >= 0 && r < kBoardSize && c >= 0 && c < kBoardSize &&
                        board[makeCell(r, c)] != kEmpty)
                        near = true;
                }
            if (!near) continue;
            candidates.push_back(static_cast<Cell>(cell));
            childBoards.push_back(board);
            childBoards.back()[cell] = kOwnStone;
            childCodes.push_back(codes);
            placeStone<Colour::Own>(childCodes.back().data(), static_cast<Cell>(cell));
        }
    }
};

const Fixture& fixture() {
    static const Fixture instance;
    return instance;
}

void placeAndLift(benchmark::State& state) {
    const Fixture& position = fixture();
    WindowCodes codes = position.codes;
    std::size_t next = 0;
    for (auto _ : state) {
        const Cell cell = position.candidates[next];
        next = next + 1 == position.candidates.size() ? 0 : next + 1;
        placeStone<Colour::Own>(codes.data(), cell);
        benchmark::ClobberMemory();
        liftStone<Colour::Own>(codes.data(), cell);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(codes);
}
BENCHMARK(placeAndLift);

// A child copies both maps and applies the after forms of the move to them.
void gainUpdateAfterMove(benchmark::State& state) {
    const Fixture& position = fixture();
    GainMap ownParent, opponentParent;
    buildGainMap<Colour::Own>(ownParent, position.board.data(), position.codes.data());
    buildGainMap<Colour::Opponent>(opponentParent, position.board.data(), position.codes.data());
    std::size_t next = 0;
    for (auto _ : state) {
        GainMap own = ownParent, opponent = opponentParent;
        own.codes = opponent.codes = position.childCodes[next].data();
        gainsAfterMove<Colour::Own, Colour::Own, CodesHold::Stone>(own, position.candidates[next]);
        gainsAfterMove<Colour::Opponent, Colour::Own, CodesHold::Stone>(opponent,
                                                                        position.candidates[next]);
        benchmark::DoNotOptimize(own);
        benchmark::DoNotOptimize(opponent);
        next = next + 1 == position.candidates.size() ? 0 : next + 1;
    }
}
BENCHMARK(gainUpdateAfterMove);

// A child copies both trackers, updates the mover's for its stone and clears the cell in the
// other's.
void trackerUpdateAfterMove(benchmark::State& state) {
    const Fixture& position = fixture();
    auto ownPool = std::make_unique<LinkPool>();
    auto opponentPool = std::make_unique<LinkPool>();
    ThreatTracker ownParent, opponentParent;
    buildThreatTracker<Colour::Own>(ownParent, position.board.data(), position.codes.data(),
                                    *ownPool);
    buildThreatTracker<Colour::Opponent>(opponentParent, position.board.data(),
                                         position.codes.data(), *opponentPool);
    std::size_t next = 0;
    for (auto _ : state) {
        ThreatTracker own = ownParent, opponent = opponentParent;
        own.board = opponent.board = position.childBoards[next].data();
        own.codes = opponent.codes = position.childCodes[next].data();
        trackStone<Colour::Own, CodesHold::Stone>(own, position.candidates[next]);
        clearTrackerCell(opponent, position.candidates[next]);
        benchmark::DoNotOptimize(own);
        benchmark::DoNotOptimize(opponent);
        next = next + 1 == position.candidates.size() ? 0 : next + 1;
    }
}
BENCHMARK(trackerUpdateAfterMove);

}  // namespace

BENCHMARK_MAIN();

#include "testkit/stress_positions.hpp"

#include <random>

#include "board/geometry.hpp"
#include "platform/clock.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"

namespace quoll {

namespace {

// Most stones of the cell's colour in a window through the cell that holds none of the other
// colour: 4 means a four (or a five, at 5) stands on the board.
int strongestWindow(const Board& board, Cell cell) {
    const std::uint8_t stone = board[cell];
    int strongest = 0;
    for (const CellWindowRange& range : kCellWindowRanges[cell])
        for (int w = range.first; w < range.end; ++w) {
            int mine = 0, theirs = 0;
            for (int i = 0; i < 5; ++i) {
                const std::uint8_t value = board[windowCell(w, i)];
                if (value == stone) ++mine;
                else if (value != kEmpty) ++theirs;
            }
            if (theirs == 0 && mine > strongest) strongest = mine;
        }
    return strongest;
}

}  // namespace

GameRecord randomPlayout(std::uint64_t seed, int stones, bool preferThreats) {
    std::mt19937_64 random(seed);
    GameRecord record;
    // The last stone is the opponent's: with an odd count the opponent moved first.
    std::uint8_t mover = stones % 2 == 1 ? kOpponentStone : kOwnStone;
    record.firstColour = mover;
    for (int placed = 0; placed < stones; ++placed) {
        Cell chosen = kNoCell;
        int chosenStrength = -1;
        const int tries = preferThreats ? 24 : 1;
        for (int attempt = 0; attempt < 300 && (chosen == kNoCell || attempt < tries); ++attempt) {
            const auto cell = static_cast<Cell>(random() % kCellCount);
            if (record.board[cell] != kEmpty) continue;
            record.board[cell] = mover;
            const int strength = strongestWindow(record.board, cell);
            record.board[cell] = kEmpty;
            if (strength >= 4) continue;
            if (strength > chosenStrength) {
                chosen = cell;
                chosenStrength = strength;
            }
        }
        for (int cell = 0; cell < kCellCount && chosen == kNoCell; ++cell) {
            if (record.board[cell] != kEmpty) continue;
            record.board[cell] = mover;
            if (strongestWindow(record.board, static_cast<Cell>(cell)) < 4)
                chosen = static_cast<Cell>(cell);
            record.board[cell] = kEmpty;
        }
        if (chosen == kNoCell) break;
        record.board[chosen] = mover;
        record.moves.push_back(chosen);
        mover = mover == kOwnStone ? kOpponentStone : kOwnStone;
    }
    record.colourToMove = mover;
    return record;
}

bool makesFiveOrMore(const Board& board, Cell cell) {
    return board[cell] != kEmpty && strongestWindow(board, cell) == 5;
}

std::vector<GameRecord> selfPlayPositions(EngineState& state, std::uint64_t seed, int maxMoves,
                                          int budgetMs) {
    std::mt19937_64 random(seed);
    GameRecord record;
    std::vector<GameRecord> positions;
    // A random opening near the centre; the side to move is always recoloured as the engine.
    for (int i = 0; i < 3; ++i) {
        Cell cell;
        do cell = makeCell(5 + random() % 5, 5 + random() % 5);
        while (record.board[cell] != kEmpty);
        record.board[cell] = i % 2 == 0 ? kOpponentStone : kOwnStone;
        record.moves.push_back(cell);
    }
    record.firstColour = kOpponentStone;
    record.colourToMove = kOwnStone;
    while (static_cast<int>(record.moves.size()) < maxMoves) {
        positions.push_back(record);
        loadSearchPosition(state, record);
        Cell move;
        if (budgetMs >= 0) {
            startSearchTimer(budgetMs, monotonicNowNs());
            move = searchRoot(state);
        } else {
            startUnlimitedSearchTimer();
            move = searchRoot(state, nullptr, static_cast<Depth>(-budgetMs * kPlyUnit));
        }
        if (move >= kCellCount || record.board[move] != kEmpty) break;
        record.board[move] = kOwnStone;
        record.moves.push_back(move);
        if (makesFiveOrMore(record.board, move)) break;
        // The other side is to move: it becomes the engine.
        for (std::uint8_t& stone : record.board)
            if (stone != kEmpty) stone = stone == kOwnStone ? kOpponentStone : kOwnStone;
        record.firstColour = record.firstColour == kOwnStone ? kOpponentStone : kOwnStone;
    }
    return positions;
}

}  // namespace quoll

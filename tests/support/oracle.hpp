#pragma once
// Facts worked out straight from the stones by walking rows and columns, independent of the
// generated tables and of every incremental update: candidate cells, the threat facts a tracker
// must hold, and a reader of what a tracker does hold.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "board/gains.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"

namespace quoll::test {

inline bool onBoard(int row, int column) {
    return row >= 0 && row < kBoardSize && column >= 0 && column < kBoardSize;
}

// A run of five on a line: its cells and the flank cells that are on the board.
struct LineRun {
    std::array<Cell, 5> cells;
    std::vector<Cell> flanks;
};

// Every run of five, each line walked from its first cell; flanks found by row and column.
inline const std::vector<LineRun>& allRuns() {
    static const std::vector<LineRun> runs = [] {
        const int rowSteps[4] = {0, 1, 1, 1}, columnSteps[4] = {1, 0, -1, 1};
        std::vector<LineRun> found;
        for (int d = 0; d < 4; ++d)
            for (int r = 0; r < kBoardSize; ++r)
                for (int c = 0; c < kBoardSize; ++c) {
                    const int dr = rowSteps[d], dc = columnSteps[d];
                    if (!onBoard(r + 4 * dr, c + 4 * dc)) continue;
                    LineRun run;
                    for (int i = 0; i < 5; ++i) run.cells[i] = makeCell(r + i * dr, c + i * dc);
                    for (int i : {-1, 5})
                        if (onBoard(r + i * dr, c + i * dc))
                            run.flanks.push_back(makeCell(r + i * dr, c + i * dc));
                    found.push_back(run);
                }
        return found;
    }();
    return runs;
}

// The window codes rebuilt from the board alone, the second route to the incremental ones (the
// rebuild itself answers to the benchmark's reference node counts).
inline WindowCodes rebuiltCodes(const Board& board) {
    WindowCodes codes;
    rebuildWindowCodes(board, codes);
    return codes;
}

// The empty cells that have a stone within two rows and two columns.
inline std::set<Cell> candidatesByDefinition(const Board& board) {
    std::set<Cell> cells;
    for (int r = 0; r < kBoardSize; ++r)
        for (int c = 0; c < kBoardSize; ++c) {
            bool near = false;
            for (int rr = r - 2; rr <= r + 2; ++rr)
                for (int cc = c - 2; cc <= c + 2; ++cc)
                    near |= onBoard(rr, cc) && board[makeCell(rr, cc)] != kEmpty;
            if (near && board[makeCell(r, c)] == kEmpty) cells.insert(makeCell(r, c));
        }
    return cells;
}

// A tracker's knowledge as sets: ordered four pairs (cell, partner) and three triples (cell,
// smaller other cell, larger other cell).
struct ThreatFacts {
    std::set<std::pair<Cell, Cell>> pairs;
    std::set<std::tuple<Cell, Cell, Cell>> triples;
    bool operator==(const ThreatFacts&) const = default;
};

inline std::tuple<Cell, Cell, Cell> triple(Cell cell, Cell a, Cell b) {
    return {cell, std::min(a, b), std::max(a, b)};
}

// The clean threes (four pairs) and clean twos (three triples) of colour C, from the stones. A
// flank stone of C spoils a window: filling it would make six.
template <Colour C>
ThreatFacts expectedFacts(const Board& board) {
    ThreatFacts facts;
    for (const LineRun& run : allRuns()) {
        int stones = 0, spoilers = 0;
        std::vector<Cell> empty;
        for (Cell cell : run.cells) {
            if (board[cell] == kStone<C>) ++stones;
            else if (board[cell] != kEmpty) ++spoilers;
            else empty.push_back(cell);
        }
        for (Cell cell : run.flanks) spoilers += board[cell] == kStone<C>;
        if (spoilers != 0) continue;
        if (stones == 3) {
            facts.pairs.insert({empty[0], empty[1]});
            facts.pairs.insert({empty[1], empty[0]});
        } else if (stones == 2) {
            for (int i = 0; i < 3; ++i)
                facts.triples.insert(triple(empty[i], empty[(i + 1) % 3], empty[(i + 2) % 3]));
        }
    }
    return facts;
}

// Reads a tracker's facts through its slots, groups and three lists, failing the test on every
// structural fault met on the way.
inline ThreatFacts soundFacts(const ThreatTracker& t) {
    auto sound = [](bool ok, const char* fault, int at) {
        if (!ok) ADD_FAILURE() << fault << " at " << at;
        return ok;
    };
    ThreatFacts facts;
    sound(t.fourGroupCount <= kMaxFourGroups && t.linkCount <= kLinkPoolSize, "counts", 0);
    std::vector<int> namedBy(kMaxFourGroups, -1);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::uint16_t slot = t.fourSlot[cell];
        if (slot == kNoCell) continue;
        if (isSinglePartner(slot)) {
            facts.pairs.insert({static_cast<Cell>(cell), slot});
        } else if (sound(isFourGroup(slot) && slot - kGroupBase < t.fourGroupCount, "slot", cell)) {
            const FourGroup& group = t.fourGroups[slot - kGroupBase];
            sound(namedBy[slot - kGroupBase] == -1 && group.owner == cell, "group owner", cell);
            sound(group.count >= 2 && group.count <= kMaxGroupPartners, "group count", cell);
            namedBy[slot - kGroupBase] = cell;
            for (int i = 0; i < group.count && i < kMaxGroupPartners; ++i)
                sound(facts.pairs.insert({static_cast<Cell>(cell), group.partners[i]}).second,
                      "partner twice", cell);
        }
    }
    for (int g = 0; g < t.fourGroupCount && g < kMaxFourGroups; ++g)
        sound(namedBy[g] != -1, "group named by no cell", g);
    int combinations = 0;
    for (int cell = 0; cell < kCellCount; ++cell)
        if (startsCombination(t, static_cast<Cell>(cell))) ++combinations;
    sound(combinations == t.combinationCells, "combination count", combinations);
    for (int cell = 0; cell < kCellCount; ++cell) {
        int length = 0;
        for (std::uint16_t link = t.threeHead[cell]; link != kNoLink; link = t.links[link].next) {
            if (!sound(link < t.linkCount && ++length <= kLinkPoolSize, "three list", cell)) break;
            const ThreeLink& entry = t.links[link];
            sound(facts.triples.insert(triple(static_cast<Cell>(cell), entry.first, entry.second))
                      .second,
                  "triple twice", cell);
        }
    }
    return facts;
}

// The root's first move when no three is on the board (so that no rule answers): the candidate
// of largest own gain, the lowest cell on ties; kNoCell when a three is on the board.
inline Cell firstCandidate(const Board& board) {
    if (!expectedFacts<Colour::Own>(board).pairs.empty() ||
        !expectedFacts<Colour::Opponent>(board).pairs.empty())
        return kNoCell;
    WindowCodes codes;
    rebuildWindowCodes(board, codes);
    GainMap gains;
    buildGainMap<Colour::Own>(gains, board.data(), codes.data());
    Cell first = kNoCell;
    for (const Cell cell : candidatesByDefinition(board))
        if (first == kNoCell || gains.gain[cell] > gains.gain[first]) first = cell;
    return first;
}

// `count` random moves that stay near the stones already played, as in a real game; colours
// alternate from `first`.
inline std::vector<std::pair<Cell, Colour>> clusteredMoves(std::uint32_t seed, int count,
                                                           Colour first) {
    std::mt19937 random(seed);
    Board board{};
    std::vector<std::pair<Cell, Colour>> moves;
    Colour colour = first;
    Cell cell = kCentreCell;
    while (static_cast<int>(moves.size()) < count) {
        if (!moves.empty()) {
            const Cell anchor = moves[random() % moves.size()].first;
            const int row = cellRow(anchor) + static_cast<int>(random() % 5) - 2;
            const int column = cellColumn(anchor) + static_cast<int>(random() % 5) - 2;
            if (!onBoard(row, column) || board[makeCell(row, column)] != kEmpty) continue;
            cell = makeCell(row, column);
        }
        board[cell] = static_cast<std::uint8_t>(colour);
        moves.push_back({cell, colour});
        colour = opponentOf(colour);
    }
    return moves;
}

}  // namespace quoll::test

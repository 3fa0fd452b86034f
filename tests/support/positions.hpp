#pragma once
// Test helpers for the search: positions from (row, column, stone) lists, window codes counted
// straight from the board, and a root-like frame (gain maps, candidate list, threat trackers)
// built from scratch the way the root builds it.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "board/gains.hpp"
#include "board/geometry.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/candidates.hpp"
#include "search/prepare.hpp"

namespace quoll::test {

struct Stone {
    int row;
    int column;
    std::uint8_t stone;
};

inline constexpr std::uint8_t kOwn = kOwnStone;
inline constexpr std::uint8_t kOpp = kOpponentStone;

// A game record holding the stones; the engine is to move and the opponent moved first when
// the stone counts are equal or the opponent has one more.
inline GameRecord makeRecord(std::initializer_list<Stone> stones) {
    GameRecord record;
    int own = 0, opp = 0;
    for (const Stone& s : stones) {
        const Cell cell = makeCell(s.row, s.column);
        record.board[cell] = s.stone;
        record.moves.push_back(cell);
        (s.stone == kOwn ? own : opp)++;
    }
    record.firstColour = opp >= own ? kOpp : kOwn;
    record.colourToMove = kOwn;
    return record;
}

// Loads the stones into the engine record as the think step would.
inline void loadStones(EngineState& state, std::initializer_list<Stone> stones) {
    loadSearchPosition(state, makeRecord(stones));
}

// A window's code counted from the board by its definition: stones inside, stones on the flanks.
inline WindowCode windowCodeByDefinition(const Board& board, int w) {
    int code = 0;
    for (int i = 0; i < 5; ++i) {
        const std::uint8_t s = board[windowCell(w, i)];
        code += s == kOwn ? 6 : s == kOpp ? 1 : 0;
    }
    const WindowFlankList& flanks = kWindowFlankCells[w];
    for (int i = 0; i < flanks[kFlankCountSlot]; ++i) {
        const std::uint8_t s = board[flanks[i]];
        code += s == kOwn ? 108 : s == kOpp ? 36 : 0;
    }
    return static_cast<WindowCode>(code);
}

inline WindowCodes codesByDefinition(const Board& board) {
    WindowCodes codes{};
    for (int w = 0; w < kWindowCount; ++w) codes[w] = windowCodeByDefinition(board, w);
    return codes;
}

// The empty cells that have a stone within two rows and two columns, by brute force.
inline std::set<Cell> candidateSetByDefinition(const Board& board) {
    std::set<Cell> cells;
    for (int r = 0; r < kBoardSize; ++r)
        for (int c = 0; c < kBoardSize; ++c) {
            if (board[makeCell(r, c)] != kEmpty) continue;
            bool near = false;
            for (int dr = -2; dr <= 2 && !near; ++dr)
                for (int dc = -2; dc <= 2 && !near; ++dc) {
                    const int rr = r + dr, cc = c + dc;
                    if ((dr != 0 || dc != 0) && rr >= 0 && rr < kBoardSize && cc >= 0 &&
                        cc < kBoardSize && board[makeCell(rr, cc)] != kEmpty)
                        near = true;
                }
            if (near) cells.insert(makeCell(r, c));
        }
    return cells;
}

// A tracker with no facts, for hand-made threat situations.
inline ThreatTracker emptyTracker(LinkPool& pool) {
    ThreatTracker tracker{};
    tracker.fourSlot.fill(kNoCell);
    tracker.threeHead.fill(kNoLink);
    tracker.links = pool.links.data();
    return tracker;
}

template <Colour C>
inline void buildTracker(ThreatTracker& tracker, const EngineState& state, LinkPool& pool) {
    buildThreatTracker<C>(tracker, state.board.data(), state.windowCodes.data(), pool);
}

// The three list of a cell as a sorted list of (first, second) pairs, smaller cell first.
inline std::vector<std::pair<Cell, Cell>> threeList(const ThreatTracker& tracker, Cell cell) {
    std::vector<std::pair<Cell, Cell>> links;
    for (std::uint16_t l = tracker.threeHead[cell]; l != kNoLink; l = tracker.links[l].next) {
        const ThreeLink& link = tracker.links[l];
        links.emplace_back(std::min(link.first, link.second), std::max(link.first, link.second));
    }
    std::sort(links.begin(), links.end());
    return links;
}

// What the root builds before it searches: both gain maps, the root list with its counters,
// both trackers with pools of their own (on the heap: a pool is large).
struct RootFrame {
    GainMap ownGain{};
    GainMap oppGain{};
    NeighbourCounts counts{};
    CandidateList list{};
    std::unique_ptr<LinkPool> ownPool = std::make_unique<LinkPool>();
    std::unique_ptr<LinkPool> oppPool = std::make_unique<LinkPool>();
    ThreatTracker ownThreats{};
    ThreatTracker oppThreats{};
    Score rootEval = 0;

    explicit RootFrame(const EngineState& state) { rebuild(state); }

    void rebuild(const EngineState& state) {
        const std::uint8_t* board = state.board.data();
        const WindowCode* codes = state.windowCodes.data();
        buildGainMap<Colour::Own>(ownGain, board, codes);
        buildGainMap<Colour::Opponent>(oppGain, board, codes);
        buildRootList(list, board, counts);
        buildTracker<Colour::Own>(ownThreats, state, *ownPool);
        buildTracker<Colour::Opponent>(oppThreats, state, *oppPool);
        rootEval = staticEval(codes);
    }

    // Makes `cell` the list's current move; false when it is no candidate.
    bool selectMove(Cell cell) {
        for (int i = 0; i < list.size; ++i)
            if (list.cells[i] == cell) {
                list.cur = static_cast<std::uint16_t>(i);
                return true;
            }
        return false;
    }
};

// A random position grown around the centre: `moves` stones alternating from the opponent,
// each next to an earlier one, never completing five. Fixed seed in, same position out.
inline GameRecord randomRecord(std::mt19937& random, int moves) {
    GameRecord record;
    record.firstColour = kOpp;
    record.colourToMove = kOwn;
    std::uint8_t stone = kOpp;
    Cell cell = kCentreCell;
    for (int placed = 0; placed < moves;) {
        if (record.board[cell] == kEmpty) {
            record.board[cell] = stone;
            const WindowCodes codes = codesByDefinition(record.board);
            const bool five = std::any_of(codes.begin(), codes.end(), [](WindowCode c) {
                return windowValueOwn(c) == kWinScore || windowValueOpponent(c) == kWinScore;
            });
            if (five) {
                record.board[cell] = kEmpty;
            } else {
                record.moves.push_back(cell);
                stone = stone == kOpp ? kOwn : kOpp;
                ++placed;
            }
        }
        // Next try: a neighbour of a random stone already placed.
        const Cell base =
            record.moves.empty() ? kCentreCell : record.moves[random() % record.moves.size()];
        const NeighbourList& around = kNeighbourCells[base];
        cell = around[random() % around[kNeighbourCountSlot]];
    }
    // The engine is to move: with an even number of stones the engine moved first.
    record.firstColour = moves % 2 == 0 ? kOwn : kOpp;
    if (moves % 2 == 0) {
        // Swap the colours so that the opponent made the last move.
        for (std::uint8_t& s : record.board)
            if (s != kEmpty) s = s == kOwn ? kOpp : kOwn;
    }
    return record;
}

}  // namespace quoll::test

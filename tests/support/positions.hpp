#pragma once
// Helpers shared by the engine tests: positions from stone lists and from fixed seeds; window
// codes, candidate cells and threat facts worked out straight from the stones by row and column
// (independent of the generated tables and of the incremental updates); a reader that lists what
// a tracker holds; and a root-like frame built from scratch the way the root builds it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "board/gains.hpp"
#include "board/geometry.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "search/benchmark.hpp"
#include "search/candidates.hpp"
#include "search/prepare.hpp"
#include "search/timer.hpp"

namespace quoll::test {

inline constexpr std::uint8_t kOwn = kOwnStone;
inline constexpr std::uint8_t kOpp = kOpponentStone;

struct Stone {
    int row;
    int column;
    std::uint8_t stone;
};
using Stones = std::vector<Stone>;

inline Stones joined(Stones a, const Stones& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A game record holding the stones; the engine is to move and the opponent moved first when
// the stone counts are equal or the opponent has one more.
inline GameRecord makeRecord(const Stones& stones) {
    GameRecord record;
    int own = 0, opp = 0;
    for (const Stone& s : stones) {
        record.board[makeCell(s.row, s.column)] = s.stone;
        record.moves.push_back(makeCell(s.row, s.column));
        (s.stone == kOwn ? own : opp)++;
    }
    record.firstColour = opp >= own ? kOpp : kOwn;
    record.colourToMove = kOwn;
    return record;
}

// The opponent's closed three on row 7 (blocked at (7,3)) gives the four (7,7)-(7,8); its two on
// column 7 makes (7,7) a four-three.
inline const Stones kOpponentFourThree = {{7, 3, kOwn}, {7, 4, kOpp}, {7, 5, kOpp},
                                          {7, 6, kOpp}, {5, 7, kOpp}, {6, 7, kOpp}};
// Two four-three combinations of the opponent with no common defence.
inline const Stones kTwoFourThrees = joined(kOpponentFourThree, {{12, 8, kOpp},
                                                                 {12, 9, kOpp},
                                                                 {12, 10, kOpp},
                                                                 {12, 11, kOwn},
                                                                 {10, 7, kOpp},
                                                                 {11, 7, kOpp}});
// Two separate open threes of the opponent: four double-four cells that no move answers alone.
inline const Stones kTwoOpenThrees = {{3, 3, kOpp},   {3, 4, kOpp},   {3, 5, kOpp}, {11, 9, kOpp},
                                      {11, 10, kOpp}, {11, 11, kOpp}, {7, 7, kOwn}, {8, 8, kOwn}};

// Loads the stones into the engine record as the think step would.
inline void loadStones(EngineState& state, const Stones& stones) {
    loadSearchPosition(state, makeRecord(stones));
}

// The reference positions of the benchmark.
inline std::vector<GameRecord> benchRecords() {
    std::vector<GameRecord> records;
    std::ifstream file(std::string(QUOLL_TEST_DATA) + "/bench/positions.txt");
    for (std::string line; std::getline(file, line);) {
        if (line.empty()) continue;
        records.emplace_back();
        EXPECT_TRUE(parseMoveList(line, records.back())) << line;
    }
    return records;
}

// The one engine record of a test program, its table `entries` long and empty, no time limit.
inline EngineState& freshSearchState(std::uint64_t entries) {
    static EngineState state;
    startUnlimitedSearchTimer();
    resizeTable(state.table, entries);
    clearTable(state.table);
    return state;
}

// ---------------------------------------------------------------------------------------------
// Random move sequences

struct Move {
    Cell cell;
    Colour colour;
};

// A sequence of distinct cells with colours alternating from `first`.
inline std::vector<Move> randomMoves(std::uint32_t seed, int count, Colour first = Colour::Own) {
    std::mt19937 random(seed);
    std::vector<Cell> cells(kCellCount);
    for (int i = 0; i < kCellCount; ++i) cells[i] = static_cast<Cell>(i);
    std::shuffle(cells.begin(), cells.end(), random);
    std::vector<Move> moves;
    for (int i = 0; i < count && i < kCellCount; ++i)
        moves.push_back(Move{cells[i], i % 2 ? opponentOf(first) : first});
    return moves;
}

// Random moves that stay near the stones already played, as in a real game.
inline std::vector<Move> clusteredMoves(std::uint32_t seed, int count,
                                        Colour first = Colour::Own) {
    std::mt19937 random(seed);
    Board board{};
    std::vector<Move> moves;
    Colour colour = first;
    Cell cell = kCentreCell;
    while (static_cast<int>(moves.size()) < count) {
        if (!moves.empty()) {
            const Cell anchor = moves[random() % moves.size()].cell;
            const int row = cellRow(anchor) + static_cast<int>(random() % 5) - 2;
            const int column = cellColumn(anchor) + static_cast<int>(random() % 5) - 2;
            if (row < 0 || row >= kBoardSize || column < 0 || column >= kBoardSize) continue;
            cell = makeCell(row, column);
            if (board[cell] != kEmpty) continue;
        }
        board[cell] = static_cast<std::uint8_t>(colour);
        moves.push_back(Move{cell, colour});
        colour = opponentOf(colour);
    }
    return moves;
}

// The board holding the first `count` moves (all by default).
inline Board boardOf(const std::vector<Move>& moves, std::size_t count = kCellCount) {
    Board board{};
    for (std::size_t i = 0; i < moves.size() && i < count; ++i)
        board[moves[i].cell] = static_cast<std::uint8_t>(moves[i].colour);
    return board;
}

// ---------------------------------------------------------------------------------------------
// Facts by definition, walking rows and columns

inline bool onBoard(int row, int column) {
    return row >= 0 && row < kBoardSize && column >= 0 && column < kBoardSize;
}

// One five-cell run on a line: its cells and flank cells (before, then after; only those on the
// board).
struct LineRun {
    std::array<Cell, 5> cells;
    std::vector<Cell> flanks;
};

inline LineRun runFrom(int row, int column, int dr, int dc) {
    LineRun run;
    for (int i = 0; i < 5; ++i) run.cells[i] = makeCell(row + i * dr, column + i * dc);
    if (onBoard(row - dr, column - dc)) run.flanks.push_back(makeCell(row - dr, column - dc));
    if (onBoard(row + 5 * dr, column + 5 * dc))
        run.flanks.push_back(makeCell(row + 5 * dr, column + 5 * dc));
    return run;
}

// Every run of five on a line, in no particular order.
inline const std::vector<LineRun>& allRuns() {
    static const std::vector<LineRun> runs = [] {
        const int rowSteps[4] = {0, 1, 1, 1}, columnSteps[4] = {1, 0, -1, 1};
        std::vector<LineRun> found;
        for (int d = 0; d < 4; ++d)
            for (int row = 0; row < kBoardSize; ++row)
                for (int column = 0; column < kBoardSize; ++column)
                    if (onBoard(row + 4 * rowSteps[d], column + 4 * columnSteps[d]))
                        found.push_back(runFrom(row, column, rowSteps[d], columnSteps[d]));
        return found;
    }();
    return runs;
}

// The run of window w, its flank cells found by row and column.
inline const LineRun& runOfWindow(int w) {
    static const std::vector<LineRun> runs = [] {
        std::vector<LineRun> found;
        for (int v = 0; v < kWindowCount; ++v) {
            const Cell first = windowCell(v, 0), second = windowCell(v, 1);
            found.push_back(runFrom(cellRow(first), cellColumn(first),
                                    cellRow(second) - cellRow(first),
                                    cellColumn(second) - cellColumn(first)));
        }
        return found;
    }();
    return runs[w];
}

// A window's code counted from the stones inside and on the flanks.
inline WindowCode windowCodeByDefinition(const Board& board, int w) {
    const LineRun& run = runOfWindow(w);
    int code = 0;
    for (Cell cell : run.cells) code += board[cell] == kOwn ? 6 : board[cell] == kOpp ? 1 : 0;
    for (Cell cell : run.flanks) code += board[cell] == kOwn ? 108 : board[cell] == kOpp ? 36 : 0;
    return static_cast<WindowCode>(code);
}

inline WindowCodes codesByDefinition(const Board& board) {
    WindowCodes codes{};
    for (int w = 0; w < kWindowCount; ++w) codes[w] = windowCodeByDefinition(board, w);
    return codes;
}

// The empty cells that have a stone within two rows and two columns.
inline std::set<Cell> candidateSetByDefinition(const Board& board) {
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

// What a tracker knows, as sets: ordered four pairs (cell, partner) and three triples
// (cell, smaller other cell, larger other cell).
using PairSet = std::set<std::pair<Cell, Cell>>;
using TripleSet = std::set<std::tuple<Cell, Cell, Cell>>;

struct ThreatFacts {
    PairSet pairs;
    TripleSet triples;
    bool operator==(const ThreatFacts&) const = default;
};

inline std::tuple<Cell, Cell, Cell> triple(Cell cell, Cell a, Cell b) {
    return {cell, std::min(a, b), std::max(a, b)};
}

// The facts of the clean threes and clean twos of colour C, read from the stones alone.
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
        for (Cell cell : run.flanks)
            spoilers += board[cell] == kStone<C>;  // exact five: an own stone beside makes six
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

// Reads a tracker's facts through fourSlot, its group records and its three lists, and fails
// the test on every structural fault found on the way.
inline ThreatFacts soundFacts(const ThreatTracker& t) {
    auto sound = [](bool ok, const char* fault, int at) {
        if (!ok) ADD_FAILURE() << fault << " at " << at;
        return ok;
    };
    ThreatFacts facts;
    sound(t.fourGroupCount <= kMaxFourGroups && t.linkCount <= kLinkPoolSize, "counts beyond", 0);
    std::vector<int> groupNamedBy(kMaxFourGroups, -1);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::uint16_t slot = t.fourSlot[cell];
        if (slot == kNoCell) continue;
        if (isSinglePartner(slot)) {
            sound(slot != cell, "cell is its own partner", cell);
            facts.pairs.insert({static_cast<Cell>(cell), slot});
        } else if (sound(isFourGroup(slot) && slot - kGroupBase < t.fourGroupCount, "bad slot",
                         cell)) {
            const int g = slot - kGroupBase;
            const FourGroup& group = t.fourGroups[g];
            sound(groupNamedBy[g] == -1 && group.owner == cell, "group named twice or wrongly", g);
            sound(group.count >= 2 && group.count <= kMaxGroupPartners, "group count", g);
            groupNamedBy[g] = cell;
            for (int i = 0; i < group.count && i < kMaxGroupPartners; ++i)
                sound(facts.pairs.insert({static_cast<Cell>(cell), group.partners[i]}).second,
                      "partner listed twice", g);
        }
    }
    for (int g = 0; g < t.fourGroupCount && g < kMaxFourGroups; ++g)
        sound(groupNamedBy[g] != -1, "group in use but named by no cell", g);
    for (int cell = 0; cell < kCellCount; ++cell) {
        int length = 0;
        for (std::uint16_t link = t.threeHead[cell]; link != kNoLink; link = t.links[link].next) {
            if (!sound(link < t.linkCount && ++length <= kLinkPoolSize, "bad three list", cell))
                break;
            const ThreeLink& entry = t.links[link];
            sound(facts.triples.insert(triple(static_cast<Cell>(cell), entry.first, entry.second))
                      .second,
                  "triple listed twice", cell);
        }
    }
    return facts;
}

// ---------------------------------------------------------------------------------------------
// Trackers and the move update

// A tracker with no facts, for hand-made threat situations.
inline ThreatTracker emptyTracker(LinkPool& pool) {
    ThreatTracker tracker{};
    tracker.fourSlot.fill(kNoCell);
    tracker.threeHead.fill(kNoLink);
    tracker.links = pool.links.data();
    return tracker;
}

template <Colour C>
ThreatTracker builtTracker(const Board& board, const WindowCodes& codes, LinkPool& pool) {
    ThreatTracker tracker;
    buildThreatTracker<C>(tracker, board.data(), codes.data(), pool);
    return tracker;
}

// A link pool per colour, on the heap: a pool is large.
struct Pools {
    std::unique_ptr<LinkPool> own = std::make_unique<LinkPool>();
    std::unique_ptr<LinkPool> opponent = std::make_unique<LinkPool>();
};

// The move update of both trackers, in the given form. The board byte is set first; the codes
// hold the stone afterwards in both forms.
template <CodesHold Form, Colour C = Colour::Own>
void playMove(Board& board, WindowCodes& codes, ThreatTracker& own, ThreatTracker& opponent,
              Move move) {
    // The runtime colour picks the template once.
    if (move.colour != C) return playMove<Form, opponentOf(C)>(board, codes, own, opponent, move);
    board[move.cell] = kStone<C>;
    if constexpr (Form == CodesHold::Stone) placeStone<C>(codes.data(), move.cell);
    trackOwnStone<C, Form>(C == Colour::Own ? own : opponent, move.cell);
    clearTrackerCell(C == Colour::Own ? opponent : own, move.cell);
    if constexpr (Form == CodesHold::NoStone) placeStone<C>(codes.data(), move.cell);
}

// A position with its window codes kept current, plus one tracker per colour.
struct TrackedPosition {
    Board board{};
    WindowCodes codes{};
    LinkPool* ownPool;
    LinkPool* opponentPool;
    ThreatTracker own;
    ThreatTracker opponent;

    TrackedPosition(LinkPool& ownLinks, LinkPool& opponentLinks)
        : ownPool(&ownLinks), opponentPool(&opponentLinks) {
        rebuild();
    }
    void rebuild() {
        rebuildWindowCodes(board, codes);
        own = builtTracker<Colour::Own>(board, codes, *ownPool);
        opponent = builtTracker<Colour::Opponent>(board, codes, *opponentPool);
    }
    void play(Move move, CodesHold form) {
        if (form == CodesHold::Stone) playMove<CodesHold::Stone>(board, codes, own, opponent, move);
        else playMove<CodesHold::NoStone>(board, codes, own, opponent, move);
    }
};

// A random search over one board: every node copies its parent's trackers, places its move
// behind a stone guard and updates the copies, as the tree search does.
struct SearchWalk {
    Board board{};
    WindowCodes codes{};
    std::mt19937 random;
    int nodes = 0;
    int highLinks = 0;
    int highGroups = 0;
    bool checkEveryNode = true;

    explicit SearchWalk(std::uint32_t seed) : random(seed) {}

    Cell randomEmptyCell() {
        for (;;) {
            const Cell cell = static_cast<Cell>(random() % kCellCount);
            if (board[cell] == kEmpty) return cell;
        }
    }

    void expectExact(const ThreatFacts& own, const ThreatFacts& opponent) {
        if (!checkEveryNode) return;
        EXPECT_EQ(own, expectedFacts<Colour::Own>(board)) << "node " << nodes;
        EXPECT_EQ(opponent, expectedFacts<Colour::Opponent>(board)) << "node " << nodes;
    }

    // One node: copies its parent's trackers, applies the move with the codes' guard in place,
    // searches `width` children to `depth`, and checks its own records after every child.
    template <Colour Mover>
    void node(const ThreatTracker& parentOwn, const ThreatTracker& parentOpponent, Cell move,
              int depth, int width) {
        ++nodes;
        ThreatTracker own = parentOwn, opponent = parentOpponent;
        board[move] = kStone<Mover>;
        {
            StoneGuard<Mover> guard(codes.data(), move);
            trackOwnStone<Mover, CodesHold::Stone>(Mover == Colour::Own ? own : opponent, move);
            clearTrackerCell(Mover == Colour::Own ? opponent : own, move);
            highLinks = std::max({highLinks, int{own.linkCount}, int{opponent.linkCount}});
            highGroups =
                std::max({highGroups, int{own.fourGroupCount}, int{opponent.fourGroupCount}});
            const ThreatFacts ownFacts = soundFacts(own), opponentFacts = soundFacts(opponent);
            expectExact(ownFacts, opponentFacts);
            for (int i = 0; depth > 0 && i < width && !::testing::Test::HasFailure(); ++i) {
                node<opponentOf(Mover)>(own, opponent, randomEmptyCell(), depth - 1, width);
                ASSERT_EQ(soundFacts(own), ownFacts)
                    << "a child changed its parent, node " << nodes;
                ASSERT_EQ(soundFacts(opponent), opponentFacts) << "a child changed its parent";
            }
        }
        board[move] = kEmpty;
    }
};

// ---------------------------------------------------------------------------------------------
// Root-like frames

// What the root builds before it searches: both gain maps, the root list with its counters,
// both trackers with pools of their own.
struct RootFrame {
    GainMap ownGain{};
    GainMap oppGain{};
    NeighbourCounts counts{};
    CandidateList list{};
    Pools pools;
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
        ownThreats = builtTracker<Colour::Own>(state.board, state.windowCodes, *pools.own);
        oppThreats =
            builtTracker<Colour::Opponent>(state.board, state.windowCodes, *pools.opponent);
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

// An engine record loaded with the stones, and the root frame built for it.
struct LoadedPosition {
    EngineState state;
    RootFrame frame;
    explicit LoadedPosition(const Stones& stones) : state(stateWith(stones)), frame(state) {}
    static EngineState stateWith(const Stones& stones) {
        EngineState s;
        loadStones(s, stones);
        return s;
    }
};

// A random position grown around the centre: `moves` stones alternating from the opponent,
// each next to an earlier one, never completing five. Fixed seed in, same position out.
inline GameRecord randomRecord(std::mt19937& random, int moves) {
    GameRecord record;
    std::uint8_t stone = kOpp;
    Cell cell = kCentreCell;
    for (int placed = 0; placed < moves;) {
        if (record.board[cell] == kEmpty) {
            record.board[cell] = stone;
            const WindowCodes codes = codesByDefinition(record.board);
            const bool five = std::any_of(codes.begin(), codes.end(), [](WindowCode c) {
                return windowValue<Colour::Own>(c) == kWinScore || windowValue<Colour::Opponent>(c) == kWinScore;
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
    // The engine is to move: with an even number of stones the engine moved first, so the
    // colours swap to make the opponent's the last move.
    record.colourToMove = kOwn;
    record.firstColour = moves % 2 == 0 ? kOwn : kOpp;
    if (moves % 2 == 0)
        for (std::uint8_t& s : record.board)
            if (s != kEmpty) s = s == kOwn ? kOpp : kOwn;
    return record;
}

}  // namespace quoll::test

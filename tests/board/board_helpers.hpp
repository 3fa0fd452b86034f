#pragma once
// Helpers shared by the board tests: random positions from fixed seeds, window codes and threat
// facts computed straight from the stones by row and column (independent of the generated tables
// and of the incremental updates), and a reader that lists what a tracker holds.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "board/geometry.hpp"
#include "board/state.hpp"
#include "board/threats.hpp"
#include "board/types.hpp"

namespace quoll::boardtest {

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
    Colour colour = first;
    for (int i = 0; i < count && i < kCellCount; ++i) {
        moves.push_back(Move{cells[i], colour});
        colour = opponentOf(colour);
    }
    return moves;
}

// Random moves that stay near the stones already played, as in a real game.
inline std::vector<Move> clusteredMoves(std::uint32_t seed, int count, Colour first = Colour::Own) {
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

// One five-cell run found by walking rows and columns: its cells and flank cells.
struct LineRun {
    std::array<Cell, 5> cells;
    std::vector<Cell> flanks;  // before, then after; only those on the board
};

inline bool onBoard(int row, int column) {
    return row >= 0 && row < kBoardSize && column >= 0 && column < kBoardSize;
}

// Every run of five on a line, in no particular order.
inline std::vector<LineRun> findRuns() {
    static const int kRowSteps[4] = {0, 1, 1, 1};
    static const int kColumnSteps[4] = {1, 0, -1, 1};
    std::vector<LineRun> runs;
    for (int d = 0; d < 4; ++d)
        for (int row = 0; row < kBoardSize; ++row)
            for (int column = 0; column < kBoardSize; ++column) {
                const int dr = kRowSteps[d], dc = kColumnSteps[d];
                if (!onBoard(row + 4 * dr, column + 4 * dc)) continue;
                LineRun run;
                for (int i = 0; i < 5; ++i) run.cells[i] = makeCell(row + i * dr, column + i * dc);
                if (onBoard(row - dr, column - dc)) run.flanks.push_back(makeCell(row - dr, column - dc));
                if (onBoard(row + 5 * dr, column + 5 * dc))
                    run.flanks.push_back(makeCell(row + 5 * dr, column + 5 * dc));
                runs.push_back(run);
            }
    return runs;
}

inline const std::vector<LineRun>& allRuns() {
    static const std::vector<LineRun> runs = findRuns();
    return runs;
}

// The run of window w, its flank cells found by row and column.
inline LineRun runOfWindow(int w) {
    LineRun run;
    for (int i = 0; i < 5; ++i) run.cells[i] = windowCell(w, i);
    const int dr = cellRow(run.cells[1]) - cellRow(run.cells[0]);
    const int dc = cellColumn(run.cells[1]) - cellColumn(run.cells[0]);
    const int row = cellRow(run.cells[0]), column = cellColumn(run.cells[0]);
    if (onBoard(row - dr, column - dc)) run.flanks.push_back(makeCell(row - dr, column - dc));
    if (onBoard(row + 5 * dr, column + 5 * dc)) run.flanks.push_back(makeCell(row + 5 * dr, column + 5 * dc));
    return run;
}

// The code of window w counted from the stones.
inline WindowCode referenceCode(const Board& board, int w) {
    const LineRun run = runOfWindow(w);
    int code = 0;
    for (Cell cell : run.cells) code += board[cell] == kOwnStone ? 6 : board[cell] == kOpponentStone ? 1 : 0;
    for (Cell cell : run.flanks)
        code += board[cell] == kOwnStone ? 108 : board[cell] == kOpponentStone ? 36 : 0;
    return static_cast<WindowCode>(code);
}

inline WindowCodes referenceCodes(const Board& board) {
    WindowCodes codes{};
    for (int w = 0; w < kWindowCount; ++w) codes[w] = referenceCode(board, w);
    return codes;
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
    const std::uint8_t mine = kStone<C>, theirs = kStone<opponentOf(C)>;
    ThreatFacts facts;
    for (const LineRun& run : allRuns()) {
        int stones = 0, spoilers = 0;
        std::vector<Cell> empty;
        for (Cell cell : run.cells) {
            if (board[cell] == mine) ++stones;
            else if (board[cell] == theirs) ++spoilers;
            else empty.push_back(cell);
        }
        for (Cell cell : run.flanks)
            if (board[cell] == mine) ++spoilers;  // exact five: an own stone next to it makes six
        if (spoilers != 0) continue;
        if (stones == 3) {
            facts.pairs.insert({empty[0], empty[1]});
            facts.pairs.insert({empty[1], empty[0]});
        } else if (stones == 2) {
            facts.triples.insert(triple(empty[0], empty[1], empty[2]));
            facts.triples.insert(triple(empty[1], empty[0], empty[2]));
            facts.triples.insert(triple(empty[2], empty[0], empty[1]));
        }
    }
    return facts;
}

// Reads a tracker's facts through fourSlot, its group records and its three lists. Every
// structural fault found on the way is appended to `faults`.
inline ThreatFacts trackerFacts(const ThreatTracker& tracker, std::vector<std::string>* faults = nullptr) {
    auto fault = [&](const std::string& text) {
        if (faults) faults->push_back(text);
    };
    ThreatFacts facts;
    if (tracker.fourGroupCount > kMaxFourGroups) fault("fourGroupCount beyond the records");
    if (tracker.linkCount > kLinkPoolSize) fault("linkCount beyond the pool");
    std::vector<int> groupNamedBy(kMaxFourGroups, -1);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::uint16_t slot = tracker.fourSlot[cell];
        if (slot == kNoCell) continue;
        if (isSinglePartner(slot)) {
            if (slot == cell) fault("cell " + std::to_string(cell) + " is its own partner");
            facts.pairs.insert({static_cast<Cell>(cell), slot});
            continue;
        }
        if (!isFourGroup(slot) || slot - kGroupBase >= tracker.fourGroupCount) {
            fault("cell " + std::to_string(cell) + " has a bad fourSlot " + std::to_string(slot));
            continue;
        }
        const int g = slot - kGroupBase;
        if (groupNamedBy[g] != -1) fault("group " + std::to_string(g) + " named twice");
        groupNamedBy[g] = cell;
        const FourGroup& group = tracker.fourGroups[g];
        if (group.owner != cell) fault("group " + std::to_string(g) + " has the wrong owner");
        if (group.count < 2 || group.count > kMaxGroupPartners) fault("group count out of range");
        std::set<Cell> seen;
        for (int i = 0; i < group.count && i < kMaxGroupPartners; ++i) {
            if (!seen.insert(group.partners[i]).second) fault("partner listed twice");
            facts.pairs.insert({static_cast<Cell>(cell), group.partners[i]});
        }
    }
    for (int g = 0; g < tracker.fourGroupCount && g < kMaxFourGroups; ++g)
        if (groupNamedBy[g] == -1) fault("group " + std::to_string(g) + " in use but named by no cell");

    for (int cell = 0; cell < kCellCount; ++cell) {
        int length = 0;
        for (std::uint16_t link = tracker.threeHead[cell]; link != kNoLink; link = tracker.links[link].next) {
            if (link >= tracker.linkCount) {
                fault("cell " + std::to_string(cell) + " reaches a link beyond linkCount");
                break;
            }
            if (++length > kLinkPoolSize) {
                fault("three list does not end");
                break;
            }
            const ThreeLink& entry = tracker.links[link];
            if (!facts.triples.insert(triple(static_cast<Cell>(cell), entry.first, entry.second)).second)
                fault("triple listed twice at cell " + std::to_string(cell));
        }
    }
    return facts;
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
        buildThreatTracker<Colour::Own>(own, board.data(), codes.data(), *ownPool);
        buildThreatTracker<Colour::Opponent>(opponent, board.data(), codes.data(), *opponentPool);
    }

    template <Colour C>
    ThreatTracker& tracker() {
        return C == Colour::Own ? own : opponent;
    }
};

// The move update of both trackers for a stone of colour C on `cell`, in the given form.
// The board byte is set first; the codes hold the stone afterwards in both forms.
template <Colour C, CodesHold Form>
void playTracked(Board& board, WindowCodes& codes, ThreatTracker& mover, ThreatTracker& other, Cell cell) {
    board[cell] = kStone<C>;
    if constexpr (Form == CodesHold::Stone) placeStone<C>(codes.data(), cell);
    trackOwnStone<C, Form>(mover, cell);
    clearTrackerCell(other, cell);
    if constexpr (Form == CodesHold::NoStone) placeStone<C>(codes.data(), cell);
}

template <CodesHold Form>
void playMove(Board& board, WindowCodes& codes, ThreatTracker& own, ThreatTracker& opponent, Move move) {
    if (move.colour == Colour::Own)
        playTracked<Colour::Own, Form>(board, codes, own, opponent, move.cell);
    else
        playTracked<Colour::Opponent, Form>(board, codes, opponent, own, move.cell);
}

template <CodesHold Form>
void playMove(TrackedPosition& position, Move move) {
    playMove<Form>(position.board, position.codes, position.own, position.opponent, move);
}

struct Pools {
    std::unique_ptr<LinkPool> own = std::make_unique<LinkPool>();
    std::unique_ptr<LinkPool> opponent = std::make_unique<LinkPool>();
};

// Facts of a tracker that must also be structurally sound.
inline ThreatFacts soundFacts(const ThreatTracker& tracker) {
    std::vector<std::string> faults;
    ThreatFacts facts = trackerFacts(tracker, &faults);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    return facts;
}

template <Colour C>
ThreatTracker builtTracker(const Board& board, const WindowCodes& codes, LinkPool& pool) {
    ThreatTracker tracker;
    buildThreatTracker<C>(tracker, board.data(), codes.data(), pool);
    return tracker;
}

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

    // One node: copies its parent's trackers, applies the move with the codes' guard in place,
    // searches `width` children to `depth`, and checks its own records after every child.
    template <Colour Mover>
    void node(const ThreatTracker& parentOwn, const ThreatTracker& parentOpponent, Cell move, int depth, int width) {
        ++nodes;
        ThreatTracker own = parentOwn, opponent = parentOpponent;
        board[move] = kStone<Mover>;
        {
            StoneGuard<Mover> guard(codes.data(), move);
            ThreatTracker& mover = Mover == Colour::Own ? own : opponent;
            ThreatTracker& other = Mover == Colour::Own ? opponent : own;
            trackOwnStone<Mover, CodesHold::Stone>(mover, move);
            clearTrackerCell(other, move);
            highLinks = std::max({highLinks, static_cast<int>(own.linkCount), static_cast<int>(opponent.linkCount)});
            highGroups = std::max({highGroups, static_cast<int>(own.fourGroupCount),
                                   static_cast<int>(opponent.fourGroupCount)});
            if (depth > 0) {
                const ThreatFacts ownFacts = soundFacts(own), opponentFacts = soundFacts(opponent);
                if (checkEveryNode) {
                    EXPECT_EQ(ownFacts, expectedFacts<Colour::Own>(board)) << "node " << nodes;
                    EXPECT_EQ(opponentFacts, expectedFacts<Colour::Opponent>(board)) << "node " << nodes;
                }
                for (int i = 0; i < width && !::testing::Test::HasFailure(); ++i) {
                    node<opponentOf(Mover)>(own, opponent, randomEmptyCell(), depth - 1, width);
                    ASSERT_EQ(soundFacts(own), ownFacts) << "a child changed its parent, node " << nodes;
                    ASSERT_EQ(soundFacts(opponent), opponentFacts) << "a child changed its parent";
                }
            } else if (checkEveryNode) {
                EXPECT_EQ(soundFacts(own), expectedFacts<Colour::Own>(board)) << "leaf " << nodes;
                EXPECT_EQ(soundFacts(opponent), expectedFacts<Colour::Opponent>(board)) << "leaf " << nodes;
            }
        }
        board[move] = kEmpty;
    }
};

}  // namespace quoll::boardtest

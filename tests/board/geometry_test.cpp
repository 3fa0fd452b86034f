// Board geometry: the fixed window order, the generated lookup tables and their telling rows,
// and a cross-check of every table against runs found by walking rows and columns.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "board/geometry.hpp"
#include "board/geometry_tables.hpp"
#include "support/positions.hpp"

namespace quoll {
namespace {

using test::onBoard;

std::pair<int, int> firstCellOf(int w) {
    const Cell first = static_cast<Cell>(kWindowGeometry[w].first);
    return {cellRow(first), cellColumn(first)};
}

// The used part of a counted table row.
template <typename Row>
std::vector<std::uint16_t> used(const Row& row, int countSlot) {
    return {row.begin(), row.begin() + row[countSlot]};
}
std::vector<std::uint16_t> flankedList(int cell) {
    return used(kFlankedWindows[cell], kFlankedCountSlot);
}
std::vector<std::uint16_t> flankCells(int w) { return used(kWindowFlankCells[w], kFlankCountSlot); }
std::vector<Cell> windowCells(int w) {
    std::vector<Cell> cells;
    for (int i = 0; i < 5; ++i) cells.push_back(windowCell(w, i));
    return cells;
}

// The tables are generated in constant expressions.
static_assert(makeGeometryTables().windowGeometry[330].first == 4);
static_assert(makeGeometryTables().windowFlankCells[0][kFlankCountSlot] == 1);

TEST(WindowOrder, TellingRows) {
    struct Row {
        int window, row, column, step;
    };
    const Row rows[] = {{0, 0, 0, 1},     {10, 0, 10, 1},   {11, 1, 0, 1},    {165, 0, 0, 15},
                        {176, 0, 1, 15},  {330, 0, 4, 14},  {331, 0, 5, 14},  {332, 1, 4, 14},
                        {333, 0, 6, 14},  {450, 10, 14, 14}, {451, 0, 10, 16}, {452, 0, 9, 16},
                        {453, 1, 10, 16}, {571, 10, 0, 16}};
    for (const Row& r : rows) {
        EXPECT_EQ(firstCellOf(r.window), std::make_pair(r.row, r.column)) << "window " << r.window;
        EXPECT_EQ(kWindowGeometry[r.window].step, r.step) << "window " << r.window;
    }
}

TEST(WindowOrder, DirectionBlocksAndOrderWithinLines) {
    for (int w = 0; w < kWindowCount; ++w)
        ASSERT_EQ(kWindowGeometry[w].step, w < 165 ? 1 : w < 330 ? 15 : w < 451 ? 14 : 16) << w;
    // Horizontal and vertical by formula.
    for (int line = 0; line < 15; ++line)
        for (int start = 0; start <= 10; ++start) {
            EXPECT_EQ(firstCellOf(line * 11 + start), std::make_pair(line, start));
            EXPECT_EQ(firstCellOf(165 + line * 11 + start), std::make_pair(start, line));
        }
    // Anti-diagonals by row + column, then first row; diagonals by column - row descending.
    for (int w = 331; w < 572; ++w) {
        if (w == 451) continue;
        const auto [r0, c0] = firstCellOf(w - 1);
        const auto [r1, c1] = firstCellOf(w);
        if (w < 451)
            EXPECT_TRUE(r1 + c1 > r0 + c0 || (r1 + c1 == r0 + c0 && r1 == r0 + 1)) << w;
        else
            EXPECT_TRUE(c1 - r1 < c0 - r0 || (c1 - r1 == c0 - r0 && r1 == r0 + 1)) << w;
    }
}

// The 572 windows, cells in order, are exactly the runs of five found by walking every line.
TEST(WindowOrder, WindowsAreExactlyTheRunsOfFive) {
    std::set<std::vector<Cell>> fromTable, fromWalk;
    for (int w = 0; w < kWindowCount; ++w) {
        fromTable.insert(windowCells(w));
        EXPECT_EQ(kWindowWeight[w], 1);
    }
    for (const test::LineRun& run : test::allRuns())
        fromWalk.insert({run.cells.begin(), run.cells.end()});
    EXPECT_EQ(fromTable.size(), 572u);
    EXPECT_EQ(fromTable, fromWalk);
}

TEST(CellWindowRanges, TellingRows) {
    const std::map<Cell, std::array<std::array<int, 3>, 4>> rows = {
        {0, {{{0, 1, 0}, {165, 166, 0}, {0, 0, 32767}, {506, 507, 0}}}},
        {14, {{{10, 11, 10}, {319, 320, 14}, {385, 386, 14}, {0, 0, 32767}}}},
        {16, {{{11, 13, 15}, {176, 178, 1}, {0, 0, 32767}, {506, 508, 0}}}},
        {112, {{{80, 85, 108}, {245, 250, 52}, {388, 393, 56}, {509, 514, 48}}}},
        {224, {{{164, 165, 220}, {329, 330, 164}, {0, 0, 32767}, {516, 517, 160}}}},
    };
    for (const auto& [cell, ranges] : rows)
        for (int d = 0; d < 4; ++d) {
            const CellWindowRange& range = kCellWindowRanges[cell][d];
            EXPECT_EQ((std::array<int, 3>{range.first, range.end, range.firstCell}), ranges[d])
                << "cell " << cell << " direction " << d;
        }
}

// Each run holds exactly the windows of its direction that contain the cell, one step apart.
TEST(CellWindowRanges, MatchContainmentFoundByScanning) {
    int emptyRanges[4] = {0, 0, 0, 0};
    for (int cell = 0; cell < kCellCount; ++cell)
        for (int d = 0; d < 4; ++d) {
            std::vector<int> containing;
            for (int w = 0; w < kWindowCount; ++w)
                for (int i = 0; i < 5; ++i)
                    if (kWindowGeometry[w].step == kDirectionStep[d] && windowCell(w, i) == cell)
                        containing.push_back(w);
            const CellWindowRange& range = kCellWindowRanges[cell][d];
            if (containing.empty()) {
                ++emptyRanges[d];
                EXPECT_EQ(std::make_tuple(range.first, range.end, range.firstCell),
                          std::make_tuple(0, 0, kNoCell));
                continue;
            }
            ASSERT_EQ(range.end - range.first, static_cast<int>(containing.size())) << cell;
            for (int k = 0; k < static_cast<int>(containing.size()); ++k) {
                EXPECT_EQ(containing[k], range.first + k);
                EXPECT_EQ(kWindowGeometry[containing[k]].first,
                          range.firstCell + k * kDirectionStep[d]);
            }
        }
    EXPECT_EQ(std::vector<int>(emptyRanges, emptyRanges + 4), (std::vector<int>{0, 0, 20, 20}));
}

TEST(FlankTables, TellingRows) {
    EXPECT_EQ(flankedList(0), (std::vector<std::uint16_t>{1, 166, 507}));
    EXPECT_EQ(flankedList(5), (std::vector<std::uint16_t>{0, 6, 221, 332, 467}));
    EXPECT_EQ(flankedList(112), (std::vector<std::uint16_t>{79, 85, 244, 250, 387, 393, 508, 514}));
    // Cell 14 lies just before window 11 by index, but on another row: it flanks no such window.
    EXPECT_EQ(flankedList(14), (std::vector<std::uint16_t>{9, 320, 386}));
    EXPECT_EQ(flankCells(0), (std::vector<std::uint16_t>{5}));
    EXPECT_EQ(flankCells(1), (std::vector<std::uint16_t>{0, 6}));
    EXPECT_EQ(flankCells(10), (std::vector<std::uint16_t>{9}));
    EXPECT_EQ(flankCells(11), (std::vector<std::uint16_t>{20}));
    EXPECT_TRUE(flankCells(330).empty());
    EXPECT_EQ(flankCells(331), (std::vector<std::uint16_t>{75}));
}

TEST(FlankTables, CountsOverTheBoard) {
    std::map<int, int> windowsByFlanks, cellsByFlanked;
    std::set<std::vector<Cell>> bare;  // the four five-cell corner lines
    for (int w = 0; w < kWindowCount; ++w) {
        ++windowsByFlanks[kWindowFlankCells[w][kFlankCountSlot]];
        if (flankCells(w).empty()) bare.insert(windowCells(w));
    }
    for (int cell = 0; cell < kCellCount; ++cell)
        ++cellsByFlanked[kFlankedWindows[cell][kFlankedCountSlot]];
    EXPECT_EQ(windowsByFlanks, (std::map<int, int>{{0, 4}, {1, 136}, {2, 432}}));
    EXPECT_EQ(cellsByFlanked, (std::map<int, int>{{3, 100}, {5, 100}, {8, 25}}));
    EXPECT_EQ(bare, (std::set<std::vector<Cell>>{{4, 18, 32, 46, 60},
                                                 {164, 178, 192, 206, 220},
                                                 {10, 26, 42, 58, 74},
                                                 {150, 166, 182, 198, 214}}));
}

TEST(FlankTables, MatchFlanksFoundByRowAndColumn) {
    std::vector<std::vector<std::uint16_t>> flankedByWalk(kCellCount);
    for (int w = 0; w < kWindowCount; ++w) {
        const test::LineRun& run = test::runOfWindow(w);
        EXPECT_EQ(flankCells(w), std::vector<std::uint16_t>(run.flanks.begin(), run.flanks.end()))
            << w;
        for (Cell cell : run.flanks) flankedByWalk[cell].push_back(static_cast<std::uint16_t>(w));
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        EXPECT_EQ(flankedList(cell), flankedByWalk[cell]) << "cell " << cell;
        // Slots beyond the count stay zero.
        for (int i = kFlankedWindows[cell][kFlankedCountSlot]; i < kFlankedCountSlot; ++i)
            EXPECT_EQ(kFlankedWindows[cell][i], 0);
    }
}

TEST(NeighbourCells, MatchTheSquareAroundEachCell) {
    EXPECT_EQ(used(kNeighbourCells[0], kNeighbourCountSlot),
              (std::vector<std::uint16_t>{1, 2, 15, 16, 17, 30, 31, 32}));
    std::set<int> counts;
    for (int cell = 0; cell < kCellCount; ++cell) {
        std::vector<std::uint16_t> expected;
        for (int r = cellRow(cell) - 2; r <= cellRow(cell) + 2; ++r)
            for (int c = cellColumn(cell) - 2; c <= cellColumn(cell) + 2; ++c)
                if (onBoard(r, c) && makeCell(r, c) != cell) expected.push_back(makeCell(r, c));
        EXPECT_EQ(used(kNeighbourCells[cell], kNeighbourCountSlot), expected) << "cell " << cell;
        counts.insert(kNeighbourCells[cell][kNeighbourCountSlot]);
    }
    EXPECT_EQ(counts, (std::set<int>{8, 11, 14, 15, 19, 24}));
}

TEST(FourStar, NearerDistancesFirstThenIncreasingIndex) {
    EXPECT_EQ(used(fourStar[0], kFourStarCountSlot),
              (std::vector<std::uint16_t>{1, 15, 16, 2, 30, 32, 3, 45, 48, 4, 60, 64}));
    EXPECT_EQ(fourStar[kCentreCell][kFourStarCountSlot], 32);
    for (int corner : {14, 210, 224}) EXPECT_EQ(fourStar[corner][kFourStarCountSlot], 12);
    for (int cell = 0; cell < kCellCount; ++cell) {
        std::vector<std::uint16_t> expected;
        for (int distance = 1; distance <= 4; ++distance) {
            std::vector<std::uint16_t> ring;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int r = cellRow(cell) + dr * distance,
                              c = cellColumn(cell) + dc * distance;
                    if ((dr != 0 || dc != 0) && onBoard(r, c)) ring.push_back(makeCell(r, c));
                }
            std::sort(ring.begin(), ring.end());
            expected.insert(expected.end(), ring.begin(), ring.end());
        }
        EXPECT_EQ(used(fourStar[cell], kFourStarCountSlot), expected) << "cell " << cell;
    }
}

}  // namespace
}  // namespace quoll

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
#include "board_helpers.hpp"

namespace quoll {
namespace {

using boardtest::allRuns;
using boardtest::onBoard;
using boardtest::LineRun;
using boardtest::runOfWindow;

std::pair<int, int> firstCellOf(int w) {
    return {cellRow(static_cast<Cell>(kWindowGeometry[w].first)),
            cellColumn(static_cast<Cell>(kWindowGeometry[w].first))};
}

std::vector<std::uint16_t> flankedList(Cell cell) {
    const auto& list = kFlankedWindows[cell];
    return {list.begin(), list.begin() + list[kFlankedCountSlot]};
}

std::vector<std::uint16_t> flankCells(int w) {
    const auto& list = kWindowFlankCells[w];
    return {list.begin(), list.begin() + list[kFlankCountSlot]};
}

// The tables are generated in constant expressions.
static_assert(makeGeometryTables().windowGeometry[330].first == 4);
static_assert(makeGeometryTables().windowFlankCells[0][kFlankCountSlot] == 1);

TEST(WindowOrder, TellingRows) {
    const std::vector<std::pair<int, std::pair<int, int>>> rows = {
        {0, {0, 0}},   {10, {0, 10}},  {11, {1, 0}},   {165, {0, 0}},  {176, {0, 1}},
        {330, {0, 4}}, {331, {0, 5}},  {332, {1, 4}},  {333, {0, 6}},  {450, {10, 14}},
        {451, {0, 10}}, {452, {0, 9}}, {453, {1, 10}}, {571, {10, 0}}};
    for (const auto& [w, first] : rows) EXPECT_EQ(firstCellOf(w), first) << "window " << w;

    EXPECT_EQ(kWindowGeometry[0].first, 0);
    EXPECT_EQ(kWindowGeometry[0].step, 1);
    EXPECT_EQ(kWindowGeometry[165].first, 0);
    EXPECT_EQ(kWindowGeometry[165].step, 15);
    EXPECT_EQ(kWindowGeometry[330].first, 4);
    EXPECT_EQ(kWindowGeometry[330].step, 14);
    EXPECT_EQ(kWindowGeometry[451].first, 10);
    EXPECT_EQ(kWindowGeometry[451].step, 16);
}

TEST(WindowOrder, DirectionBlocksAndOrderWithinLines) {
    for (int w = 0; w < kWindowCount; ++w) {
        const int step = kWindowGeometry[w].step;
        const int expected = w < 165 ? 1 : w < 330 ? 15 : w < 451 ? 14 : 16;
        ASSERT_EQ(step, expected) << "window " << w;
    }
    // Horizontal and vertical by formula.
    for (int row = 0; row < 15; ++row)
        for (int c0 = 0; c0 <= 10; ++c0) EXPECT_EQ(firstCellOf(row * 11 + c0), std::make_pair(row, c0));
    for (int column = 0; column < 15; ++column)
        for (int r0 = 0; r0 <= 10; ++r0)
            EXPECT_EQ(firstCellOf(165 + column * 11 + r0), std::make_pair(r0, column));
    // Anti-diagonals by row + column, then first row; diagonals by column - row descending.
    for (int w = 331; w < 451; ++w) {
        const auto [r0, c0] = firstCellOf(w - 1);
        const auto [r1, c1] = firstCellOf(w);
        EXPECT_TRUE(r1 + c1 > r0 + c0 || (r1 + c1 == r0 + c0 && r1 == r0 + 1)) << "window " << w;
    }
    for (int w = 452; w < 572; ++w) {
        const auto [r0, c0] = firstCellOf(w - 1);
        const auto [r1, c1] = firstCellOf(w);
        EXPECT_TRUE(c1 - r1 < c0 - r0 || (c1 - r1 == c0 - r0 && r1 == r0 + 1)) << "window " << w;
    }
}

// Every window is five collinear cells on the board, and the 572 windows are exactly the runs
// of five found by walking every line.
TEST(WindowOrder, WindowsAreExactlyTheRunsOfFive) {
    std::set<std::vector<Cell>> fromTable, fromWalk;
    for (int w = 0; w < kWindowCount; ++w) {
        std::vector<Cell> cells;
        for (int i = 0; i < 5; ++i) cells.push_back(windowCell(w, i));
        const int dr = cellRow(cells[1]) - cellRow(cells[0]);
        const int dc = cellColumn(cells[1]) - cellColumn(cells[0]);
        ASSERT_TRUE((dr == 0 && dc == 1) || (dr == 1 && (dc == 0 || dc == 1 || dc == -1))) << w;
        for (int i = 0; i < 5; ++i) {
            ASSERT_LT(cells[i], kCellCount) << w;
            EXPECT_EQ(cellRow(cells[i]), cellRow(cells[0]) + i * dr) << w;
            EXPECT_EQ(cellColumn(cells[i]), cellColumn(cells[0]) + i * dc) << w;
        }
        fromTable.insert(cells);
    }
    for (const LineRun& run : allRuns()) fromWalk.insert({run.cells.begin(), run.cells.end()});
    EXPECT_EQ(fromTable.size(), 572u);
    EXPECT_EQ(fromTable, fromWalk);
}

TEST(CellWindowRanges, TellingRows) {
    struct Row {
        Cell cell;
        std::array<std::array<int, 3>, 4> ranges;
    };
    const std::vector<Row> rows = {
        {0, {{{0, 1, 0}, {165, 166, 0}, {0, 0, 32767}, {506, 507, 0}}}},
        {14, {{{10, 11, 10}, {319, 320, 14}, {385, 386, 14}, {0, 0, 32767}}}},
        {16, {{{11, 13, 15}, {176, 178, 1}, {0, 0, 32767}, {506, 508, 0}}}},
        {112, {{{80, 85, 108}, {245, 250, 52}, {388, 393, 56}, {509, 514, 48}}}},
        {224, {{{164, 165, 220}, {329, 330, 164}, {0, 0, 32767}, {516, 517, 160}}}},
    };
    for (const Row& row : rows)
        for (int d = 0; d < 4; ++d) {
            const CellWindowRange& range = kCellWindowRanges[row.cell][d];
            EXPECT_EQ(range.first, row.ranges[d][0]) << "cell " << row.cell << " direction " << d;
            EXPECT_EQ(range.end, row.ranges[d][1]) << "cell " << row.cell << " direction " << d;
            EXPECT_EQ(range.firstCell, row.ranges[d][2]) << "cell " << row.cell << " direction " << d;
        }
}

// Each run holds exactly the windows of its direction that contain the cell, one step apart.
TEST(CellWindowRanges, MatchContainmentFoundByScanning) {
    int emptyDiagonal[4] = {0, 0, 0, 0};
    for (int cell = 0; cell < kCellCount; ++cell)
        for (int d = 0; d < 4; ++d) {
            std::vector<int> containing;
            for (int w = 0; w < kWindowCount; ++w) {
                if (kWindowGeometry[w].step != kDirectionStep[d]) continue;
                for (int i = 0; i < 5; ++i)
                    if (windowCell(w, i) == cell) containing.push_back(w);
            }
            const CellWindowRange& range = kCellWindowRanges[cell][d];
            if (containing.empty()) {
                ++emptyDiagonal[d];
                EXPECT_EQ(range.first, 0);
                EXPECT_EQ(range.end, 0);
                EXPECT_EQ(range.firstCell, kNoCell);
                continue;
            }
            ASSERT_EQ(range.end - range.first, static_cast<int>(containing.size())) << cell << "/" << d;
            for (std::size_t k = 0; k < containing.size(); ++k) {
                EXPECT_EQ(containing[k], range.first + static_cast<int>(k));
                EXPECT_EQ(kWindowGeometry[containing[k]].first, range.firstCell + static_cast<int>(k) * kDirectionStep[d]);
            }
        }
    EXPECT_EQ(emptyDiagonal[0], 0);
    EXPECT_EQ(emptyDiagonal[1], 0);
    EXPECT_EQ(emptyDiagonal[2], 20);
    EXPECT_EQ(emptyDiagonal[3], 20);
    // Cell 0: one window in directions 0, 1 and 3, none in 2; cell 14: none in direction 3.
    EXPECT_EQ(kCellWindowRanges[0][2].end - kCellWindowRanges[0][2].first, 0);
    EXPECT_EQ(kCellWindowRanges[14][3].end - kCellWindowRanges[14][3].first, 0);
}

TEST(FlankTables, TellingRows) {
    EXPECT_EQ(flankedList(0), (std::vector<std::uint16_t>{1, 166, 507}));
    EXPECT_EQ(flankedList(5), (std::vector<std::uint16_t>{0, 6, 221, 332, 467}));
    EXPECT_EQ(flankedList(112), (std::vector<std::uint16_t>{79, 85, 244, 250, 387, 393, 508, 514}));

    EXPECT_EQ(flankCells(0), (std::vector<std::uint16_t>{5}));
    EXPECT_EQ(flankCells(1), (std::vector<std::uint16_t>{0, 6}));
    EXPECT_TRUE(flankCells(330).empty());
    EXPECT_EQ(flankCells(331), (std::vector<std::uint16_t>{75}));
}

TEST(FlankTables, CountsOverTheBoard) {
    int byCount[3] = {0, 0, 0};
    for (int w = 0; w < kWindowCount; ++w) ++byCount[kWindowFlankCells[w][kFlankCountSlot]];
    EXPECT_EQ(byCount[0], 4);
    EXPECT_EQ(byCount[1], 136);
    EXPECT_EQ(byCount[2], 432);

    std::map<int, int> cellsByFlanked;
    for (int cell = 0; cell < kCellCount; ++cell) ++cellsByFlanked[kFlankedWindows[cell][kFlankedCountSlot]];
    EXPECT_EQ(cellsByFlanked, (std::map<int, int>{{3, 100}, {5, 100}, {8, 25}}));
}

// The four five-cell corner lines have no flank cells and are flanked by no cell.
TEST(FlankTables, CornerLinesHaveNoFlanks) {
    std::vector<int> bare;
    for (int w = 0; w < kWindowCount; ++w)
        if (kWindowFlankCells[w][kFlankCountSlot] == 0) bare.push_back(w);
    ASSERT_EQ(bare.size(), 4u);
    EXPECT_EQ(bare[0], 330);
    std::set<std::vector<Cell>> expected = {{4, 18, 32, 46, 60}, {164, 178, 192, 206, 220},
                                            {10, 26, 42, 58, 74}, {150, 166, 182, 198, 214}};
    for (int w : bare) {
        std::vector<Cell> cells;
        for (int i = 0; i < 5; ++i) cells.push_back(windowCell(w, i));
        EXPECT_EQ(expected.erase(cells), 1u) << "window " << w;
        for (int cell = 0; cell < kCellCount; ++cell) {
            const auto list = flankedList(static_cast<Cell>(cell));
            EXPECT_EQ(std::count(list.begin(), list.end(), w), 0) << "cell " << cell;
        }
    }
}

// Flank cells are bounded by row and column: the index before a column-0 window is the last
// cell of the previous row, which is no flank.
TEST(FlankTables, ColumnZeroWindowHasOnlyItsAfterFlank) {
    for (int row = 0; row < kBoardSize; ++row) {
        const int w = row * 11;
        EXPECT_EQ(flankCells(w), (std::vector<std::uint16_t>{makeCell(row, 5)})) << "row " << row;
        const int last = row * 11 + 10;
        EXPECT_EQ(flankCells(last), (std::vector<std::uint16_t>{makeCell(row, 9)})) << "row " << row;
    }
    const auto list = flankedList(14);  // the cell just before window 11 by index
    EXPECT_EQ(std::count(list.begin(), list.end(), 11), 0);
}

TEST(FlankTables, MatchFlanksFoundByRowAndColumn) {
    std::vector<std::vector<std::uint16_t>> flankedByWalk(kCellCount);
    for (int w = 0; w < kWindowCount; ++w) {
        const LineRun run = runOfWindow(w);
        EXPECT_EQ(flankCells(w), std::vector<std::uint16_t>(run.flanks.begin(), run.flanks.end())) << w;
        for (Cell cell : run.flanks) flankedByWalk[cell].push_back(static_cast<std::uint16_t>(w));
    }
    for (int cell = 0; cell < kCellCount; ++cell)
        EXPECT_EQ(flankedList(static_cast<Cell>(cell)), flankedByWalk[cell]) << "cell " << cell;
    // Slots beyond the count stay zero.
    for (int cell = 0; cell < kCellCount; ++cell)
        for (int i = kFlankedWindows[cell][kFlankedCountSlot]; i < kFlankedCountSlot; ++i)
            EXPECT_EQ(kFlankedWindows[cell][i], 0);
}

TEST(NeighbourCells, CellZeroAndCountsMatchTheSquare) {
    const auto& zero = kNeighbourCells[0];
    EXPECT_EQ(std::vector<std::uint16_t>(zero.begin(), zero.begin() + zero[kNeighbourCountSlot]),
              (std::vector<std::uint16_t>{1, 2, 15, 16, 17, 30, 31, 32}));
    std::set<int> counts;
    for (int cell = 0; cell < kCellCount; ++cell) {
        std::vector<std::uint16_t> expected;
        for (int r = cellRow(cell) - 2; r <= cellRow(cell) + 2; ++r)
            for (int c = cellColumn(cell) - 2; c <= cellColumn(cell) + 2; ++c)
                if (onBoard(r, c) && makeCell(r, c) != cell) expected.push_back(makeCell(r, c));
        const auto& list = kNeighbourCells[cell];
        EXPECT_EQ(std::vector<std::uint16_t>(list.begin(), list.begin() + list[kNeighbourCountSlot]), expected)
            << "cell " << cell;
        counts.insert(list[kNeighbourCountSlot]);
    }
    EXPECT_EQ(counts, (std::set<int>{8, 11, 14, 15, 19, 24}));
}

TEST(FourStar, CellZeroCountsAndOrder) {
    const auto& zero = fourStar[0];
    EXPECT_EQ(std::vector<std::uint16_t>(zero.begin(), zero.begin() + zero[kFourStarCountSlot]),
              (std::vector<std::uint16_t>{1, 15, 16, 2, 30, 32, 3, 45, 48, 4, 60, 64}));
    EXPECT_EQ(fourStar[kCentreCell][kFourStarCountSlot], 32);
    EXPECT_EQ(fourStar[14][kFourStarCountSlot], 12);
    EXPECT_EQ(fourStar[210][kFourStarCountSlot], 12);
    EXPECT_EQ(fourStar[224][kFourStarCountSlot], 12);
    // Every cell: nearer distances first, one distance in increasing index, the eight rays.
    for (int cell = 0; cell < kCellCount; ++cell) {
        std::vector<std::uint16_t> expected;
        for (int distance = 1; distance <= 4; ++distance) {
            std::vector<std::uint16_t> ring;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int r = cellRow(cell) + dr * distance, c = cellColumn(cell) + dc * distance;
                    if ((dr != 0 || dc != 0) && onBoard(r, c)) ring.push_back(makeCell(r, c));
                }
            std::sort(ring.begin(), ring.end());
            expected.insert(expected.end(), ring.begin(), ring.end());
        }
        const auto& list = fourStar[cell];
        EXPECT_EQ(std::vector<std::uint16_t>(list.begin(), list.begin() + list[kFourStarCountSlot]), expected)
            << "cell " << cell;
    }
}

TEST(WindowWeight, EveryWeightIsOne) {
    for (int w = 0; w < kWindowCount; ++w) EXPECT_EQ(kWindowWeight[w], 1);
}

}  // namespace
}  // namespace quoll

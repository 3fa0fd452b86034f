#pragma once
// The rules that generate the geometry tables, usable in constant expressions.

#include "board/geometry.hpp"

namespace quoll {

namespace detail {

struct LineDirection {
    int rowStep;
    int columnStep;
};
inline constexpr std::array<LineDirection, kDirectionCount> kLineDirections = {
    LineDirection{0, 1}, LineDirection{1, 0}, LineDirection{1, -1}, LineDirection{1, 1}};

constexpr bool onBoard(int row, int column) {
    return row >= 0 && row < kBoardSize && column >= 0 && column < kBoardSize;
}

constexpr int directionOfStep(int step) {
    for (int d = 0; d < kDirectionCount; ++d)
        if (kDirectionStep[d] == step) return d;
    return -1;
}

// The windows in their fixed order: horizontal by row then first column, vertical by column
// then first row, anti-diagonal lines by row + column, diagonal lines by column - row from 10
// down to -10, each line's windows by increasing first row.
constexpr std::array<WindowGeometry, kWindowCount> makeWindows() {
    std::array<WindowGeometry, kWindowCount> windows{};
    int index = 0;
    auto add = [&](int row, int column, int step) {
        windows[index++] = WindowGeometry{static_cast<std::int16_t>(row * kBoardSize + column),
                                          static_cast<std::int16_t>(step)};
    };
    for (int row = 0; row < kBoardSize; ++row)
        for (int c0 = 0; c0 <= kBoardSize - 5; ++c0) add(row, c0, 1);
    for (int column = 0; column < kBoardSize; ++column)
        for (int r0 = 0; r0 <= kBoardSize - 5; ++r0) add(r0, column, 15);
    for (int sum = 4; sum <= 24; ++sum) {
        const int cells = (sum < 28 - sum ? sum : 28 - sum) + 1;
        int row = sum <= 14 ? 0 : sum - 14;
        int column = sum <= 14 ? sum : 14;
        for (int i = 0; i < cells - 4; ++i, ++row, --column) add(row, column, 14);
    }
    for (int difference = 10; difference >= -10; --difference) {
        const int cells = 15 - (difference < 0 ? -difference : difference);
        int row = difference >= 0 ? 0 : -difference;
        int column = difference >= 0 ? difference : 0;
        for (int i = 0; i < cells - 4; ++i, ++row, ++column) add(row, column, 16);
    }
    return windows;
}

}  // namespace detail

constexpr GeometryTables makeGeometryTables() {
    using detail::kLineDirections;
    using detail::onBoard;
    GeometryTables tables{};
    tables.windowGeometry = detail::makeWindows();

    for (int cell = 0; cell < kCellCount; ++cell)
        for (int d = 0; d < kDirectionCount; ++d)
            tables.cellWindowRanges[cell][d] = CellWindowRange{0, 0, kNoCell};

    for (int cell = 0; cell < kCellCount; ++cell)
        for (int d = 0; d < kDirectionCount; ++d) {
            CellLine& line = tables.cellLines[cell][d];
            line.windows.fill(kNoCell);
            const auto [rowStep, columnStep] = kLineDirections[d];
            const int row = cellRow(cell), column = cellColumn(cell);
            for (int q = 0; q < 13; ++q) {
                const int r = row + (q - 6) * rowStep, c = column + (q - 6) * columnStep;
                line.targets[q] = static_cast<std::uint8_t>(onBoard(r, c) ? makeCell(r, c) : cell);
            }
        }
    for (int w = 0; w < kWindowCount; ++w) {
        const WindowGeometry& window = tables.windowGeometry[w];
        const int d = detail::directionOfStep(window.step);
        // The cells that see this window as their k-th line window: k - 5 steps from its start.
        for (int k = 0; k < 7; ++k) {
            const auto [rowStep, columnStep] = kLineDirections[d];
            const int row = cellRow(window.first) + (5 - k) * rowStep;
            const int column = cellColumn(window.first) + (5 - k) * columnStep;
            if (onBoard(row, column))
                tables.cellLines[makeCell(row, column)][d].windows[k] =
                    static_cast<std::uint16_t>(w);
        }
        for (int i = 0; i < 5; ++i) {
            CellWindowRange& range = tables.cellWindowRanges[window.first + i * window.step][d];
            if (range.end == 0) {
                range.first = static_cast<std::uint16_t>(w);
                range.firstCell = static_cast<std::uint16_t>(window.first);
            }
            range.end = static_cast<std::uint16_t>(w + 1);
        }
        // Flank cells, tested by row and column: index arithmetic alone would wrap rows.
        const int row = cellRow(window.first), column = cellColumn(window.first);
        const auto [rowStep, columnStep] = kLineDirections[d];
        WindowFlankList& flanks = tables.windowFlankCells[w];
        const int beforeRow = row - rowStep, beforeColumn = column - columnStep;
        const int afterRow = row + 5 * rowStep, afterColumn = column + 5 * columnStep;
        if (onBoard(beforeRow, beforeColumn))
            flanks[flanks[kFlankCountSlot]++] = makeCell(beforeRow, beforeColumn);
        if (onBoard(afterRow, afterColumn))
            flanks[flanks[kFlankCountSlot]++] = makeCell(afterRow, afterColumn);
        for (int i = 0; i < flanks[kFlankCountSlot]; ++i) {
            FlankedWindowList& flanked = tables.flankedWindows[flanks[i]];
            flanked[flanked[kFlankedCountSlot]++] = static_cast<std::uint16_t>(w);
        }
        tables.windowWeight[w] = 1;
    }

    for (int cell = 0; cell < kCellCount; ++cell) {
        const int row = cellRow(cell), column = cellColumn(cell);
        NeighbourList& neighbours = tables.neighbourCells[cell];
        for (int r = row - 2; r <= row + 2; ++r)
            for (int c = column - 2; c <= column + 2; ++c)
                if (onBoard(r, c) && (r != row || c != column))
                    neighbours[neighbours[kNeighbourCountSlot]++] = makeCell(r, c);

        FourStarList& star = tables.fourStar[cell];
        for (int distance = 1; distance <= 4; ++distance) {
            const int begin = star[kFourStarCountSlot];
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int r = row + dr * distance, c = column + dc * distance;
                    if ((dr != 0 || dc != 0) && onBoard(r, c))
                        star[star[kFourStarCountSlot]++] = makeCell(r, c);
                }
            // The eight rays in up-left .. down-right order already give increasing indices.
            for (int i = begin + 1; i < star[kFourStarCountSlot]; ++i)
                for (int j = i; j > begin && star[j - 1] > star[j]; --j) {
                    const auto t = star[j];
                    star[j] = star[j - 1];
                    star[j - 1] = t;
                }
        }
    }
    return tables;
}

}  // namespace quoll

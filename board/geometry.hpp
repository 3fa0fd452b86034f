#pragma once
// Board geometry: the four line directions, the 572 five-cell windows in their fixed order, and
// the constant lookup tables derived from them. Everything here is generated at compile time.

#include <array>
#include <cstdint>

#include "board/types.hpp"

namespace quoll {

// Horizontal, vertical, anti-diagonal (row + 1, column - 1), diagonal (row + 1, column + 1).
// Every step is positive, so cell indices increase along every line.
inline constexpr std::array<std::int16_t, kDirectionCount> kDirectionStep = {1, 15, 14, 16};

struct WindowGeometry {
    std::int16_t first;  // the window's cell with the smallest index
    std::int16_t step;
};

// The windows of one direction that contain a cell: [first, end), and the first cell of `first`.
struct CellWindowRange {
    std::uint16_t first;
    std::uint16_t end;
    std::uint16_t firstCell;
};

// The line through a cell in one direction as the gain update walks it: the seven windows that
// start 5 steps before the cell up to 1 step after it (those containing the cell and the two it
// flanks; kNoCell where a window would leave the board), and for each place q = 0..12 on the line
// (q - 6 steps from the cell) the cell its update goes to: the place's own cell where that lies
// on the board, the cell itself otherwise (a cell taken by the move, so no gain read there).
// A record fills half a cache line.
struct alignas(32) CellLine {
    std::array<std::uint16_t, 7> windows;
    std::array<std::uint8_t, 13> targets;
};
static_assert(kCellCount <= 256, "a target is one byte");

// Fixed-width lists keep their count in the last slot.
inline constexpr int kFlankedCountSlot = 8;
inline constexpr int kFlankCountSlot = 2;
inline constexpr int kNeighbourCountSlot = 24;
inline constexpr int kFourStarCountSlot = 32;

using FlankedWindowList = std::array<std::uint16_t, 9>;
using WindowFlankList = std::array<std::uint16_t, 3>;
using NeighbourList = std::array<std::uint16_t, 25>;
using FourStarList = std::array<std::uint16_t, 33>;

struct GeometryTables {
    std::array<WindowGeometry, kWindowCount> windowGeometry{};
    std::array<std::array<CellWindowRange, kDirectionCount>, kCellCount> cellWindowRanges{};
    std::array<std::array<CellLine, kDirectionCount>, kCellCount> cellLines{};
    std::array<FlankedWindowList, kCellCount> flankedWindows{};
    std::array<WindowFlankList, kWindowCount> windowFlankCells{};
    std::array<NeighbourList, kCellCount> neighbourCells{};
    std::array<FourStarList, kCellCount> fourStar{};
    std::array<std::int16_t, kWindowCount> windowWeight{};
};

// Generates every table by its rule; constant-evaluated once in geometry.cpp.
constexpr GeometryTables makeGeometryTables();

namespace detail {
extern const GeometryTables kGeometry;
}

inline constexpr auto& kWindowGeometry = detail::kGeometry.windowGeometry;
inline constexpr auto& kCellWindowRanges = detail::kGeometry.cellWindowRanges;
inline constexpr auto& kCellLines = detail::kGeometry.cellLines;
inline constexpr auto& kFlankedWindows = detail::kGeometry.flankedWindows;
inline constexpr auto& kWindowFlankCells = detail::kGeometry.windowFlankCells;
inline constexpr auto& kNeighbourCells = detail::kGeometry.neighbourCells;
inline constexpr auto& fourStar = detail::kGeometry.fourStar;
inline constexpr auto& kWindowWeight = detail::kGeometry.windowWeight;
// Every window weighs 1 (checked where the tables are made): the gain update's deltas leave the
// weights out.
inline constexpr bool kUnitWindowWeights = true;

// The i-th cell (0..4) of window w.
inline Cell windowCell(int window, int i) {
    return static_cast<Cell>(kWindowGeometry[window].first + i * kWindowGeometry[window].step);
}

}  // namespace quoll

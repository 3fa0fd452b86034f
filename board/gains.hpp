#pragma once
// Static evaluation and per-cell gains: for each colour, by how much that colour's evaluation
// changes if it puts a stone on a cell. Built once per search, then updated move by move from
// delta tables indexed by window code.

#include <array>
#include <cstdint>
#include <type_traits>

#include "board/geometry.hpp"
#include "board/state.hpp"
#include "board/windows.hpp"

namespace quoll {

struct GainMap {
    const std::uint8_t* board;
    const WindowCode* codes;
    std::array<Score, kCellCount> gain;  // meaningful at empty cells only
};
static_assert(std::is_trivially_copyable_v<GainMap>);

// Delta tables for one pair (map colour, mover colour), indexed by the code after the move.
struct GainDeltaSet {
    std::array<Score, kCodeCount> inWindow;         // cells of a window containing the move
    std::array<Score, kCodeCount> onFlank;          // flank cells of a window containing the move
    std::array<Score, kCodeCount> flankedInWindow;  // cells of a window the move flanks
    std::array<Score, kCodeCount> flankedOnFlank;   // flank cells of a window the move flanks
};

template <Colour MapColour, Colour Mover>
constexpr GainDeltaSet makeGainDeltaSet() {
    constexpr int unitIn = kInUnit<MapColour>, unitFlank = kFlankUnit<MapColour>;
    constexpr int moverIn = kInUnit<Mover>, moverFlank = kFlankUnit<Mover>;
    auto change = [](int code, int unit) {
        return static_cast<Score>(windowValue<MapColour>(code + unit) -
                                  windowValue<MapColour>(code));
    };
    auto delta = [&](int code, int unit, int moverUnit) {
        return static_cast<Score>(change(code, unit) - change(code - moverUnit, unit));
    };
    GainDeltaSet set{};
    for (int k = 0; k < kCodeCount; ++k) {
        const int stones = opponentStones(k) + ownStones(k);
        const int flanks = opponentFlanks(k) + ownFlanks(k);
        const int moverInDigit = Mover == Colour::Own ? ownStones(k) : opponentStones(k);
        const int moverFlankDigit = Mover == Colour::Own ? ownFlanks(k) : opponentFlanks(k);
        // A window the move has filled has no empty cell left to gain anything; likewise a
        // flank pair the move has filled.
        if (moverInDigit != 0) {
            if (stones < 5) set.inWindow[k] = delta(k, unitIn, moverIn);
            if (flanks < 2) set.onFlank[k] = delta(k, unitFlank, moverIn);
        }
        if (moverFlankDigit != 0) {
            if (stones < 5) set.flankedInWindow[k] = delta(k, unitIn, moverFlank);
            if (flanks < 2) set.flankedOnFlank[k] = delta(k, unitFlank, moverFlank);
        }
    }
    return set;
}

template <Colour MapColour, Colour Mover>
inline constexpr GainDeltaSet kGainDeltas = makeGainDeltaSet<MapColour, Mover>();

// The same deltas laid out along a line, one record of eight lanes per code: lanes 0 and 6 the
// window's flank cells, lanes 1..5 its inside, lane 7 always 0. The update adds a window's record
// at the window's place on the line through the move, eight cells at a time.
using WindowLanes = std::array<Score, 8>;
struct GainLaneSet {
    alignas(16) std::array<WindowLanes, kCodeCount> containing;  // windows containing the move
    alignas(16) std::array<WindowLanes, kCodeCount> flanked;     // windows the move flanks
};

constexpr WindowLanes windowLanes(Score inside, Score outside) {
    return {outside, inside, inside, inside, inside, inside, outside, 0};
}

template <Colour MapColour, Colour Mover>
constexpr GainLaneSet makeGainLaneSet() {
    constexpr const GainDeltaSet& deltas = kGainDeltas<MapColour, Mover>;
    GainLaneSet set{};
    for (int k = 0; k < kCodeCount; ++k) {
        set.containing[k] = windowLanes(deltas.inWindow[k], deltas.onFlank[k]);
        set.flanked[k] = windowLanes(deltas.flankedInWindow[k], deltas.flankedOnFlank[k]);
    }
    return set;
}

template <Colour MapColour, Colour Mover>
inline constexpr GainLaneSet kGainLanes = makeGainLaneSet<MapColour, Mover>();

// Sum of every window's value to the engine, 16-bit wrapping.
Score staticEval(const WindowCode* codes);

template <Colour C>
void buildGainMap(GainMap& map, const std::uint8_t* board, const WindowCode* codes);

// The one incremental update; the offsets turn the codes read into the codes after the move.
void applyMoveToGains(GainMap& map, Cell cell, const GainLaneSet& set, int containingOffset,
                      int flankedOffset);

// The offsets that turn the codes read into the codes after a stone of colour Mover: none when
// they hold it already, its digits when they do not yet.
template <Colour Mover, CodesHold Form>
inline constexpr int kContainingOffset = Form == CodesHold::Stone ? 0 : kInUnit<Mover>;
template <Colour Mover, CodesHold Form>
inline constexpr int kFlankedOffset = Form == CodesHold::Stone ? 0 : kFlankUnit<Mover>;

// Map of colour MapColour after a stone of colour Mover on `cell`.
template <Colour MapColour, Colour Mover, CodesHold Form>
inline void gainsAfterMove(GainMap& map, Cell cell) {
    applyMoveToGains(map, cell, kGainLanes<MapColour, Mover>, kContainingOffset<Mover, Form>,
                     kFlankedOffset<Mover, Form>);
}

// Both colours' maps after a stone of colour Mover on `cell`, the codes holding that stone: one
// walk over the cell's lines for the two.
void applyMoveToGainPair(GainMap& first, GainMap& second, const GainLaneSet& firstSet,
                         const GainLaneSet& secondSet, Cell cell);
template <Colour MapColour, Colour Mover>
inline void bothGainsAfterMove(GainMap& map, GainMap& otherColourMap, Cell cell) {
    applyMoveToGainPair(map, otherColourMap, kGainLanes<MapColour, Mover>,
                        kGainLanes<opponentOf(MapColour), Mover>, cell);
}

// Whether a stone on `cell` leaves the gain at x as it was: x lies off the four lines through
// the cell, or more than six steps along one, beyond every window the stone fills or flanks.
constexpr bool gainUnchangedBy(Cell cell, Cell x) {
    const int rows = cellRow(x) - cellRow(cell), columns = cellColumn(x) - cellColumn(cell);
    if (rows != 0 && columns != 0 && rows != columns && rows != -columns) return true;
    return rows < -6 || rows > 6 || columns < -6 || columns > 6;
}

// What the update would leave at the one cell x, the map unchanged.
Score gainAfterMoveAt(const GainMap& map, Cell cell, Cell x, const GainDeltaSet& set,
                      int containingOffset, int flankedOffset);
template <Colour MapColour, Colour Mover, CodesHold Form>
inline Score gainAfterMoveAt(const GainMap& map, Cell cell, Cell x) {
    return gainAfterMoveAt(map, cell, x, kGainDeltas<MapColour, Mover>,
                           kContainingOffset<Mover, Form>, kFlankedOffset<Mover, Form>);
}

}  // namespace quoll

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
        return static_cast<Score>(windowValue<MapColour>(code + unit) - windowValue<MapColour>(code));
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

// The delta tables of both colours' maps for one mover, each entry both deltas in one number:
// the first map's in the low 32 bits, the second's above. A sum of such numbers holds the sums
// of both halves (neither leaves the 32-bit range), so one walk adds for the two maps at once.
struct GainDeltaPairSet {
    std::array<std::int64_t, kCodeCount> inWindow;
    std::array<std::int64_t, kCodeCount> onFlank;
    std::array<std::int64_t, kCodeCount> flankedInWindow;
    std::array<std::int64_t, kCodeCount> flankedOnFlank;
};

constexpr std::int64_t packDeltas(Score first, Score second) {
    return first + static_cast<std::int64_t>(second) * (std::int64_t{1} << 32);
}

template <Colour FirstColour, Colour Mover>
constexpr GainDeltaPairSet makeGainDeltaPairSet() {
    constexpr const GainDeltaSet& first = kGainDeltas<FirstColour, Mover>;
    constexpr const GainDeltaSet& second = kGainDeltas<opponentOf(FirstColour), Mover>;
    GainDeltaPairSet set{};
    for (int k = 0; k < kCodeCount; ++k) {
        set.inWindow[k] = packDeltas(first.inWindow[k], second.inWindow[k]);
        set.onFlank[k] = packDeltas(first.onFlank[k], second.onFlank[k]);
        set.flankedInWindow[k] = packDeltas(first.flankedInWindow[k], second.flankedInWindow[k]);
        set.flankedOnFlank[k] = packDeltas(first.flankedOnFlank[k], second.flankedOnFlank[k]);
    }
    return set;
}

template <Colour FirstColour, Colour Mover>
inline constexpr GainDeltaPairSet kGainDeltaPairs = makeGainDeltaPairSet<FirstColour, Mover>();

// Sum of every window's value to the engine, 16-bit wrapping.
Score staticEval(const WindowCode* codes);

template <Colour C>
void buildGainMap(GainMap& map, const std::uint8_t* board, const WindowCode* codes);

// The one incremental update; the offsets turn the codes read into the codes after the move.
void applyMoveToGains(GainMap& map, Cell cell, const GainDeltaSet& set, int containingOffset,
                      int flankedOffset);

// Map of colour MapColour after a stone of colour Mover on `cell`, when the window codes
// already hold that stone.
template <Colour MapColour, Colour Mover>
inline void gainsAfterMove(GainMap& map, Cell cell) {
    applyMoveToGains(map, cell, kGainDeltas<MapColour, Mover>, 0, 0);
}

// Both colours' maps after a stone of colour Mover on `cell`, the codes holding that stone: one
// walk over the cell's lines for the two.
void applyMoveToGainPair(GainMap& first, GainMap& second, const GainDeltaPairSet& set, Cell cell);
template <Colour MapColour, Colour Mover>
inline void gainsAfterMove(GainMap& map, GainMap& otherColourMap, Cell cell) {
    applyMoveToGainPair(map, otherColourMap, kGainDeltaPairs<MapColour, Mover>, cell);
}

// The same when the codes do not hold the stone yet (the horizon search).
template <Colour MapColour, Colour Mover>
inline void gainsBeforeMove(GainMap& map, Cell cell) {
    applyMoveToGains(map, cell, kGainDeltas<MapColour, Mover>, kInUnit<Mover>, kFlankUnit<Mover>);
}

// What the update would leave at the one cell x, the map unchanged.
Score gainAfterMoveAt(const GainMap& map, Cell cell, Cell x, const GainDeltaSet& set,
                      int containingOffset, int flankedOffset);
template <Colour MapColour, Colour Mover>
inline Score gainBeforeMoveAt(const GainMap& map, Cell cell, Cell x) {
    return gainAfterMoveAt(map, cell, x, kGainDeltas<MapColour, Mover>, kInUnit<Mover>,
                           kFlankUnit<Mover>);
}

}  // namespace quoll

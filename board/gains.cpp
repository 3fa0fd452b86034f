#include "board/gains.hpp"

#include <algorithm>

namespace quoll {

namespace {

inline void addTo(Score& target, int value) { target = static_cast<Score>(target + value); }

}  // namespace

Score staticEval(const WindowCode* codes) {
    Score sum = 0;
    for (int w = 0; w < kWindowCount; ++w) addTo(sum, kWindowWeight[w] * windowValue<Colour::Own>(codes[w]));
    return sum;
}

template <Colour C>
void buildGainMap(GainMap& map, const std::uint8_t* board, const WindowCode* codes) {
    map.board = board;
    map.codes = codes;
    auto change = [&](int w, int unit) {
        return kWindowWeight[w] * (windowValue<C>(codes[w] + unit) - windowValue<C>(codes[w]));
    };
    for (int cell = 0; cell < kCellCount; ++cell) {
        Score sum = 0;
        for (const CellWindowRange& range : kCellWindowRanges[cell])
            for (int w = range.first; w < range.end; ++w) addTo(sum, change(w, kInUnit<C>));
        map.gain[cell] = sum;
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        const FlankedWindowList& flanked = kFlankedWindows[cell];
        for (int i = 0; i < flanked[kFlankedCountSlot]; ++i)
            addTo(map.gain[cell], change(flanked[i], kFlankUnit<C>));
    }
}

template void buildGainMap<Colour::Own>(GainMap&, const std::uint8_t*, const WindowCode*);
template void buildGainMap<Colour::Opponent>(GainMap&, const std::uint8_t*, const WindowCode*);

namespace {

// The deltas of the seven windows of one line through a cell, as the gain update walks it: line
// window k starts k - 5 steps from the cell, so its inside is line cells k+1..k+5 (as offsets
// + 6) and its flanks are line cells k and k+6. Windows 1..5 contain the cell, windows 0 and 6
// are the ones it flanks. `inside[k]` goes to each inside cell, `outside[k]` to each flank cell.
template <typename DeltaSet>
inline void lineWindowDeltas(const WindowCode* codes, const CellLine& line, const DeltaSet& set,
                             int containingOffset, int flankedOffset, std::int64_t (&inside)[7],
                             std::int64_t (&outside)[7]) {
    for (int k = 0; k < 7; ++k) {
        const int w = line.windows[k];
        if (w == kNoCell) {
            inside[k] = outside[k] = 0;
            continue;
        }
        const int weight = kUnitWindowWeights ? 1 : kWindowWeight[w];
        if (k == 0 || k == 6) {
            const int code = codes[w] + flankedOffset;
            inside[k] = weight * set.flankedInWindow[code];
            outside[k] = weight * set.flankedOnFlank[code];
        } else {
            const int code = codes[w] + containingOffset;
            inside[k] = weight * set.inWindow[code];
            outside[k] = weight * set.onFlank[code];
        }
    }
}

// The update of one map (int16 tables) or of two at once (packed tables), sharing the walk over
// the lines through the cell.
template <int MapCount, typename DeltaSet>
inline void applyMoveToMaps(GainMap* const* maps, const DeltaSet& set, Cell cell,
                            int containingOffset, int flankedOffset) {
    const WindowCode* codes = maps[0]->codes;
    for (int d = 0; d < kDirectionCount; ++d) {
        const CellLine& line = kCellLines[cell][d];
        std::int64_t inside[7], outside[7];
        lineWindowDeltas(codes, line, set, containingOffset, flankedOffset, inside, outside);
        // What line cell q gets: the inside deltas of windows q-5..q-1, kept as a running sum
        // (a scalar chain: a vector load of values just stored one by one would stall), and the
        // flank deltas of windows q and q-6. A fixed count, so the compiler unrolls the loop.
        std::int64_t delta[13];
        std::int64_t running = 0;
        for (int q = 0; q < 13; ++q) {
            if (q >= 1 && q <= 7) running += inside[q - 1];
            if (q >= 6) running -= inside[q - 6];
            delta[q] = running + (q <= 6 ? outside[q] : 0) + (q >= 6 ? outside[q - 6] : 0);
        }
        const int step = kDirectionStep[d];
        const int last = 6 + line.lastOffset;
        const int firstCell = cell + line.firstOffset * step;
        Score* first = maps[0]->gain.data() + firstCell;
        Score* second = maps[MapCount - 1]->gain.data() + firstCell;
        for (int q = 6 + line.firstOffset; q <= last; ++q, first += step, second += step) {
            if constexpr (MapCount == 1) {
                addTo(*first, static_cast<int>(delta[q]));
            } else {
                const auto low = static_cast<std::int32_t>(delta[q]);
                addTo(*first, low);
                addTo(*second, static_cast<int>((delta[q] - low) >> 32));
            }
        }
    }
}

}  // namespace

void applyMoveToGains(GainMap& map, Cell cell, const GainDeltaSet& set, int containingOffset,
                      int flankedOffset) {
    GainMap* const maps[] = {&map};
    applyMoveToMaps<1>(maps, set, cell, containingOffset, flankedOffset);
}

Score gainAfterMoveAt(const GainMap& map, Cell cell, Cell x, const GainDeltaSet& set,
                      int containingOffset, int flankedOffset) {
    // Only the cells on the four lines through the cell, at most six steps away, change.
    const int rows = cellRow(x) - cellRow(cell), columns = cellColumn(x) - cellColumn(cell);
    int d, steps;
    if (rows == 0) d = 0, steps = columns;
    else if (columns == 0) d = 1, steps = rows;
    else if (rows == -columns) d = 2, steps = rows;
    else if (rows == columns) d = 3, steps = rows;
    else return map.gain[x];
    if (steps < -6 || steps > 6) return map.gain[x];
    std::int64_t inside[7], outside[7];
    lineWindowDeltas(map.codes, kCellLines[cell][d], set, containingOffset, flankedOffset, inside,
                     outside);
    // Line cell q lies inside windows q-5..q-1 and flanks windows q and q-6.
    const int q = steps + 6;
    std::int64_t delta = 0;
    for (int k = std::max(q - 5, 0); k <= std::min(q - 1, 6); ++k) delta += inside[k];
    if (q <= 6) delta += outside[q];
    if (q >= 6) delta += outside[q - 6];
    return static_cast<Score>(map.gain[x] + delta);
}

void applyMoveToGainPair(GainMap& first, GainMap& second, const GainDeltaPairSet& set, Cell cell) {
    GainMap* const maps[] = {&first, &second};
    applyMoveToMaps<2>(maps, set, cell, 0, 0);
}

}  // namespace quoll

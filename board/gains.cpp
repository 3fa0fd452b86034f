#include "board/gains.hpp"

#include <emmintrin.h>

#include <algorithm>
#include <utility>

namespace quoll {

namespace {

inline void addTo(Score& target, int value) { target = static_cast<Score>(target + value); }

}  // namespace

Score staticEval(const WindowCode* codes) {
    Score sum = 0;
    for (int w = 0; w < kWindowCount; ++w)
        addTo(sum, kWindowWeight[w] * windowValue<Colour::Own>(codes[w]));
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

// The update's deltas, here and in the lane tables, leave out the window weights: every window
// weighs 1.
static_assert(kUnitWindowWeights);

// The deltas of the seven windows of one line through a cell, for the reading of one cell: line
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
        if (k == 0 || k == 6) {
            const int code = codes[w] + flankedOffset;
            inside[k] = set.flankedInWindow[code];
            outside[k] = set.flankedOnFlank[code];
        } else {
            const int code = codes[w] + containingOffset;
            inside[k] = set.inWindow[code];
            outside[k] = set.onFlank[code];
        }
    }
}

// A window's lanes added at its place k on the line: line cells k..k+6, so lanes 0..15 of the
// line sit in two registers, cells 0..7 in `low` and 8..15 in `high`. Every sum wraps at 16
// bits as the gains themselves do.
struct LineLanes {
    __m128i low = _mm_setzero_si128();
    __m128i high = _mm_setzero_si128();
};

template <int K>
inline void addWindowAt(LineLanes& line, const WindowLanes& lanes) {
    const __m128i window = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.data()));
    if constexpr (K == 0) {
        line.low = _mm_add_epi16(line.low, window);
    } else {
        line.low = _mm_add_epi16(line.low, _mm_slli_si128(window, 2 * K));
        line.high = _mm_add_epi16(line.high, _mm_srli_si128(window, 16 - 2 * K));
    }
}

// The update of one map or of two at once, sharing the walk over the lines through the cell.
// Line window k starts k - 5 steps from the cell: windows 1..5 contain it, 0 and 6 it flanks.
template <int MapCount>
inline void applyMoveToMaps(GainMap* const (&maps)[MapCount],
                            const GainLaneSet* const (&sets)[MapCount], Cell cell,
                            int containingOffset, int flankedOffset) {
    const WindowCode* codes = maps[0]->codes;
    for (int d = 0; d < kDirectionCount; ++d) {
        const CellLine& line = kCellLines[cell][d];
        LineLanes lanes[MapCount];
        auto addWindow = [&]<int K>(std::integral_constant<int, K>) {
            const int w = line.windows[K];
            if (w == kNoCell) return;
            constexpr bool flanked = K == 0 || K == 6;
            const int code = codes[w] + (flanked ? flankedOffset : containingOffset);
            for (int i = 0; i < MapCount; ++i)
                addWindowAt<K>(lanes[i],
                               flanked ? sets[i]->flanked[code] : sets[i]->containing[code]);
        };
        [&]<int... K>(std::integer_sequence<int, K...>) {
            (addWindow(std::integral_constant<int, K>{}), ...);
        }
        (std::make_integer_sequence<int, 7>{});

        alignas(16) Score delta[MapCount][16];
        for (int i = 0; i < MapCount; ++i) {
            _mm_store_si128(reinterpret_cast<__m128i*>(delta[i]), lanes[i].low);
            _mm_store_si128(reinterpret_cast<__m128i*>(delta[i] + 8), lanes[i].high);
        }
        // Every place is added, those off the board to the cell itself: no bounds in the loop.
        for (int q = 0; q < 13; ++q) {
            const int target = line.targets[q];
            for (int i = 0; i < MapCount; ++i) addTo(maps[i]->gain[target], delta[i][q]);
        }
    }
}

}  // namespace

void applyMoveToGains(GainMap& map, Cell cell, const GainLaneSet& set, int containingOffset,
                      int flankedOffset) {
    GainMap* const maps[] = {&map};
    const GainLaneSet* const sets[] = {&set};
    applyMoveToMaps<1>(maps, sets, cell, containingOffset, flankedOffset);
}

Score gainAfterMoveAt(const GainMap& map, Cell cell, Cell x, const GainDeltaSet& set,
                      int containingOffset, int flankedOffset) {
    if (gainUnchangedBy(cell, x)) return map.gain[x];
    // x lies on line d through the cell, `steps` away.
    const int rows = cellRow(x) - cellRow(cell), columns = cellColumn(x) - cellColumn(cell);
    int d = 3, steps = rows;
    if (rows == 0) d = 0, steps = columns;
    else if (columns == 0) d = 1;
    else if (rows == -columns) d = 2;
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

void applyMoveToGainPair(GainMap& first, GainMap& second, const GainLaneSet& firstSet,
                         const GainLaneSet& secondSet, Cell cell) {
    GainMap* const maps[] = {&first, &second};
    const GainLaneSet* const sets[] = {&firstSet, &secondSet};
    applyMoveToMaps<2>(maps, sets, cell, 0, 0);
}

}  // namespace quoll

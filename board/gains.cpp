#include "board/gains.hpp"

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

// The update of one or two maps, sharing the walk over the lines through the cell.
template <int MapCount>
inline void applyMoveToMaps(GainMap* const* maps, const GainDeltaSet* const* sets, Cell cell,
                            int containingOffset, int flankedOffset) {
    const WindowCode* codes = maps[0]->codes;
    for (int d = 0; d < kDirectionCount; ++d) {
        const CellLine& line = kCellLines[cell][d];
        // Line window k starts k - 5 steps from the cell: its inside is line cells k+1..k+5 (as
        // offsets + 6) and its flanks are line cells k and k+6. Windows 0 and 6 are the flanked
        // ones. `rise` holds the inside values as differences, `flank` the flank values.
        int rise[MapCount][14] = {};
        int flank[MapCount][13] = {};
        for (int k = 0; k < 7; ++k) {
            const int w = line.windows[k];
            if (w == kNoCell) continue;
            const bool flanked = k == 0 || k == 6;
            const int code = codes[w] + (flanked ? flankedOffset : containingOffset);
            for (int i = 0; i < MapCount; ++i) {
                const GainDeltaSet& set = *sets[i];
                const int inside =
                    kWindowWeight[w] * (flanked ? set.flankedInWindow[code] : set.inWindow[code]);
                const int outside =
                    kWindowWeight[w] * (flanked ? set.flankedOnFlank[code] : set.onFlank[code]);
                rise[i][k + 1] += inside;
                rise[i][k + 6] -= inside;
                flank[i][k] += outside;
                flank[i][k + 6] += outside;
            }
        }
        const int step = kDirectionStep[d];
        int inside[MapCount] = {};
        for (int q = 0; q < 6 + line.firstOffset; ++q)
            for (int i = 0; i < MapCount; ++i) inside[i] += rise[i][q];
        for (int q = 6 + line.firstOffset; q <= 6 + line.lastOffset; ++q) {
            const int target = cell + (q - 6) * step;
            for (int i = 0; i < MapCount; ++i) {
                inside[i] += rise[i][q];
                addTo(maps[i]->gain[target], inside[i] + flank[i][q]);
            }
        }
    }
}

}  // namespace

void applyMoveToGains(GainMap& map, Cell cell, const GainDeltaSet& set, int containingOffset,
                      int flankedOffset) {
    GainMap* const maps[] = {&map};
    const GainDeltaSet* const sets[] = {&set};
    applyMoveToMaps<1>(maps, sets, cell, containingOffset, flankedOffset);
}

void applyMoveToGainPair(GainMap& first, const GainDeltaSet& firstSet, GainMap& second,
                         const GainDeltaSet& secondSet, Cell cell) {
    GainMap* const maps[] = {&first, &second};
    const GainDeltaSet* const sets[] = {&firstSet, &secondSet};
    applyMoveToMaps<2>(maps, sets, cell, 0, 0);
}

}  // namespace quoll

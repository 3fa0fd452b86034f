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

void applyMoveToGains(GainMap& map, Cell cell, const GainDeltaSet& set, int containingOffset,
                      int flankedOffset) {
    const WindowCode* codes = map.codes;
    Score* gain = map.gain.data();
    for (int d = 0; d < kDirectionCount; ++d) {
        const CellWindowRange& range = kCellWindowRanges[cell][d];
        const int n = range.end - range.first;
        if (n == 0) continue;
        const int step = kDirectionStep[d];
        int delta[5];
        for (int j = 0; j < n; ++j) {
            const int w = range.first + j;
            delta[j] = kWindowWeight[w] * set.inWindow[codes[w] + containingOffset];
        }
        // Window first + j covers stretch positions j..j+4: a running sum over the stretch.
        int sum = 0;
        for (int p = 0; p < n + 4; ++p) {
            if (p < n) sum += delta[p];
            if (p >= 5) sum -= delta[p - 5];
            addTo(gain[range.firstCell + p * step], sum);
        }
        for (int w = range.first; w < range.end; ++w) {
            const WindowFlankList& flanks = kWindowFlankCells[w];
            const int value = kWindowWeight[w] * set.onFlank[codes[w] + containingOffset];
            for (int i = 0; i < flanks[kFlankCountSlot]; ++i) addTo(gain[flanks[i]], value);
        }
    }
    const FlankedWindowList& flanked = kFlankedWindows[cell];
    for (int i = 0; i < flanked[kFlankedCountSlot]; ++i) {
        const int w = flanked[i];
        const int code = codes[w] + flankedOffset;
        const int inside = kWindowWeight[w] * set.flankedInWindow[code];
        const int outside = kWindowWeight[w] * set.flankedOnFlank[code];
        const WindowGeometry& window = kWindowGeometry[w];
        for (int k = 0; k < 5; ++k) addTo(gain[window.first + k * window.step], inside);
        const WindowFlankList& flanks = kWindowFlankCells[w];
        for (int k = 0; k < flanks[kFlankCountSlot]; ++k) addTo(gain[flanks[k]], outside);
    }
}

}  // namespace quoll

#pragma once
// The position the search works on, its Zobrist keys, and placing and lifting a stone's digits
// in the shared window codes.

#include <emmintrin.h>

#include <array>
#include <cstdint>
#include <vector>

#include "board/geometry.hpp"
#include "board/types.hpp"
#include "board/windows.hpp"
#include "tree/table.hpp"

namespace quoll {

using Board = std::array<std::uint8_t, kCellCount>;
using CellFlags = std::array<bool, kCellCount>;
// Seven codes of room after the last window: a stone's windows of one direction are updated as
// one vector of eight codes, and the last window's vector starts seven codes before the end.
inline constexpr int kWindowCodeRoom = 7;
using WindowCodes = std::array<WindowCode, kWindowCount + kWindowCodeRoom>;

// The protocol's game record: board, who moved first, who is to move, moves in placing order,
// and the empty cells the engine must not answer (named by refused BOARD rows).
struct GameRecord {
    Board board{};
    std::uint8_t firstColour = kOwnStone;
    std::uint8_t colourToMove = kOwnStone;
    std::vector<Cell> moves;
    CellFlags unavailable{};
};

// The one engine record. Between searches windowCodes equals rebuildWindowCodes(board).
struct EngineState {
    Board board{};
    std::uint8_t firstColour = kOwnStone;
    std::uint8_t colourToMove = kOwnStone;
    std::vector<Cell> history;
    CellFlags unavailable{};  // never the root's answer
    WindowCodes windowCodes{};
    TranspositionTable table;
};

// Zobrist keys, drawn once before the first command from mt19937_64 seeded 0: row 0 of
// zobristStone keys stones of the player who moved first, row 1 the other player's; zobristSide
// marks the first player to move. The draws go to row 0, then row 1, then the side key.
using ZobristStoneKeys = std::array<std::array<std::uint64_t, kCellCount>, 2>;
extern const ZobristStoneKeys zobristStone;
extern const std::uint64_t zobristSide;

// The key as the search hands it on; colour is the firstColour of the searched position.
struct HashKey {
    std::uint64_t key;
    std::uint8_t colour;
};

// Key of a position computed from scratch.
std::uint64_t positionKey(const Board& board, std::uint8_t firstColour, std::uint8_t colourToMove);

// Key update for the stone value `stone` just played on `cell`.
inline void updateKey(HashKey& key, Cell cell, std::uint8_t stone) {
    const int row = stone == key.colour ? 0 : 1;
    key.key ^= zobristStone[row][cell] ^ zobristSide;
}

void rebuildWindowCodes(const Board& board, WindowCodes& codes);
inline void rebuildWindowCodes(EngineState& state) {
    rebuildWindowCodes(state.board, state.windowCodes);
}

// Adds (sign +1) or removes (sign -1) a stone's digits: the in-window unit to every window
// containing the cell, direction by direction, then the flank unit to every window it flanks.
// The windows of one direction through a cell are consecutive, five at most: one add of eight
// lanes, those past the range adding 0.
inline constexpr auto kRangeLanes = [] {
    std::array<std::array<WindowCode, 8>, 6> lanes{};
    for (int count = 0; count < 6; ++count)
        for (int i = 0; i < count; ++i) lanes[count][i] = 0xFFFF;
    return lanes;
}();

template <Colour C>
inline void addStoneDigits(WindowCode* codes, Cell cell, int sign) {
    const __m128i in = _mm_set1_epi16(static_cast<short>(sign * kInUnit<C>));
    const auto flank = static_cast<WindowCode>(sign * kFlankUnit<C>);
    for (const CellWindowRange& range : kCellWindowRanges[cell]) {
        const __m128i lanes = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(kRangeLanes[range.end - range.first].data()));
        auto* at = reinterpret_cast<__m128i*>(codes + range.first);
        _mm_storeu_si128(at, _mm_add_epi16(_mm_loadu_si128(at), _mm_and_si128(lanes, in)));
    }
    const FlankedWindowList& flanked = kFlankedWindows[cell];
    for (int i = 0; i < flanked[kFlankedCountSlot]; ++i)
        codes[flanked[i]] = static_cast<WindowCode>(codes[flanked[i]] + flank);
}

// Whether the window codes already hold the stone an update is for (tree and four-sequence
// nodes, once they have placed it) or not yet (the horizon search, which never places it).
enum class CodesHold : std::uint8_t { Stone, NoStone };

// Undo token of one stone placed into the window codes: lifts it on scope exit unless lifted. A
// search node places its incoming move with it, its half of the move (tree/child_move.hpp).
template <Colour C>
class StoneGuard {
  public:
    StoneGuard(WindowCode* codes, Cell cell) : codes_(codes), cell_(cell) {
        addStoneDigits<C>(codes_, cell_, +1);
    }
    ~StoneGuard() { lift(); }
    StoneGuard(const StoneGuard&) = delete;
    StoneGuard& operator=(const StoneGuard&) = delete;

    void lift() {
        if (codes_ == nullptr) return;
        addStoneDigits<C>(codes_, cell_, -1);
        codes_ = nullptr;
    }

  private:
    WindowCode* codes_;
    Cell cell_;
};

template <Colour C>
inline void placeStone(WindowCode* codes, Cell cell) {
    addStoneDigits<C>(codes, cell, +1);
}
template <Colour C>
inline void liftStone(WindowCode* codes, Cell cell) {
    addStoneDigits<C>(codes, cell, -1);
}

}  // namespace quoll

#pragma once
// The position the search works on, its Zobrist keys, and placing and lifting a stone's digits
// in the shared window codes.

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
using WindowCodes = std::array<WindowCode, kWindowCount>;

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
template <Colour C>
inline void addStoneDigits(WindowCode* codes, Cell cell, int sign) {
    const auto in = static_cast<WindowCode>(sign * kInUnit<C>);
    const auto flank = static_cast<WindowCode>(sign * kFlankUnit<C>);
    for (const CellWindowRange& range : kCellWindowRanges[cell])
        for (int w = range.first; w < range.end; ++w)
            codes[w] = static_cast<WindowCode>(codes[w] + in);
    const FlankedWindowList& flanked = kFlankedWindows[cell];
    for (int i = 0; i < flanked[kFlankedCountSlot]; ++i)
        codes[flanked[i]] = static_cast<WindowCode>(codes[flanked[i]] + flank);
}

// Undo token of one stone placed into the window codes: lifts it on scope exit unless lifted.
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

#pragma once
// Window codes: each window's packed count of stones inside it and on its two flank cells,
// code = opponentStones + 6 * ownStones + 36 * opponentFlanks + 108 * ownFlanks,
// and what a code is worth and which threat pattern it shows for either colour.

#include <array>
#include <cstdint>

#include "board/types.hpp"

namespace quoll {

inline constexpr int kCodeCount = 324;  // 6 * 6 * 3 * 3

// Digit units of a stone, per colour: inside a window, and on one of its flank cells.
template <Colour C>
inline constexpr WindowCode kInUnit = C == Colour::Own ? 6 : 1;
template <Colour C>
inline constexpr WindowCode kFlankUnit = C == Colour::Own ? 108 : 36;

constexpr int opponentStones(int code) { return code % 6; }
constexpr int ownStones(int code) { return (code / 6) % 6; }
constexpr int opponentFlanks(int code) { return (code / 36) % 3; }
constexpr int ownFlanks(int code) { return (code / 108) % 3; }

// Value of a clean window by its stone count; the five equals the search's win score.
inline constexpr std::array<Score, 6> kWindowScore = {0, 1, 10, 34, 62, 30000};

// Value of a window to colour C. Exact five: a stone of a colour on a flank cell spoils the
// window for that colour, the other colour's flank stones do not matter to it.
template <Colour C>
constexpr Score windowValue(int code) {
    const int mine = C == Colour::Own ? ownStones(code) : opponentStones(code);
    const int theirs = C == Colour::Own ? opponentStones(code) : ownStones(code);
    const int myFlanks = C == Colour::Own ? ownFlanks(code) : opponentFlanks(code);
    const int theirFlanks = C == Colour::Own ? opponentFlanks(code) : ownFlanks(code);
    if (mine == 0 && theirFlanks == 0) return static_cast<Score>(-kWindowScore[theirs]);
    if (theirs == 0 && myFlanks == 0) return kWindowScore[mine];
    return 0;
}

// True when the code equals the pattern in every digit but the other colour's flank digit.
template <Colour C>
constexpr bool matchesPattern(int code, int pattern) {
    constexpr int otherFlankUnit = kFlankUnit<opponentOf(C)>;
    return code == pattern || code == pattern + otherFlankUnit ||
           code == pattern + 2 * otherFlankUnit;
}

}  // namespace quoll

#pragma once
// Games as records of the Windows tournament manager (.psq): a first line
// "Piskvorky 15x15, 0:0, 0", one move per line as "x,y,ms" with x and y counted from 1 and ms
// the thinking time, then "-1".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/game.hpp"

namespace quoll::web {

std::string recordText(const std::vector<Move>& moves);

// The record's moves in playing order, their cells and times. Lines that are not moves are
// skipped and reading stops at "-1"; nothing when a move lies off the board.
std::optional<std::vector<Move>> readRecord(std::string_view text);

}  // namespace quoll::web

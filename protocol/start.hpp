#pragma once
// START: checks the board size, sizes the transposition table and opens a new game.

#include <cstdint>
#include <string>

#include "protocol/protocol_state.hpp"

namespace quoll {

// The bytes the table may take: the manager's budget, but never more than half the machine's
// physical memory (a negative MAX_MEMORY reads as a huge budget). physicalBytes 0: unknown.
std::uint64_t tableBudgetBytes(std::uint64_t maxMemory, std::uint64_t physicalBytes);

// "START <size>" or "START <a> <size>" (the later number counts). On success the table is
// kept when its entry count is unchanged and replaced otherwise, the game record is emptied,
// the mode becomes Playing and "OK" is written.
void handleStart(ProtocolState& state, const std::string& line);

}  // namespace quoll

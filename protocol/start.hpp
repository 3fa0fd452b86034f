#pragma once
// START: checks the board size, sizes the transposition table and opens a new game.

#include <cstdint>
#include <string>

#include "protocol/protocol_state.hpp"

namespace quoll {

// What the engine takes besides its table, at its peak: code and libraries, the stacks, the
// records and buffers. Measured on Linux: 4.4 MB resident with a table of one entry after
// searches of every kind, of which the deepest search's stack takes up to 0.7 MiB.
inline constexpr std::uint64_t kRestOfProcessBytes = std::uint64_t{6} << 20;

// The bytes the table may take under a MAX_MEMORY limit for the whole process: the limit less
// kRestOfProcessBytes (nothing left below that), the default limit when it is 0, and never more
// than half the machine's physical memory (a negative MAX_MEMORY reads as a huge limit).
// physicalBytes 0: unknown.
std::uint64_t tableBudgetBytes(std::uint64_t maxMemory, std::uint64_t physicalBytes);

// Sizes the table for the MAX_MEMORY of the moment. A limit that gives another entry count
// replaces the table (its entries are lost); otherwise the table stays with its contents.
// START and every move request call it, so a limit sent after START holds for the first search.
void fitTableToMemoryLimit();

// "START <size>" or "START <a> <size>" (the later number counts). On success the table is
// fitted to the memory limit, the game record is emptied, the mode becomes Playing and "OK" is
// written.
void handleStart(ProtocolState& state, const std::string& line);

}  // namespace quoll

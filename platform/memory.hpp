#pragma once
// How much physical memory the machine has, for capping the transposition table.

#include <cstdint>

namespace quoll {

// Bytes of physical memory, or 0 when the platform cannot tell.
std::uint64_t physicalMemoryBytes();

}  // namespace quoll

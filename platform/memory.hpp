#pragma once
// Memory for the transposition table: how much the machine has, and zeroed pages for the table.

#include <cstddef>
#include <cstdint>

namespace quoll {

// Bytes of physical memory, or 0 when the platform cannot tell.
std::uint64_t physicalMemoryBytes();

// Zero-filled memory straight from the system, which fills each page only when it is first
// touched: a large block costs next to nothing to get and nothing resident until used. nullptr
// when the system refuses.
void* allocateZeroedPages(std::size_t bytes);
// Returns a block of allocateZeroedPages, given with its size.
void releasePages(void* block, std::size_t bytes);

}  // namespace quoll

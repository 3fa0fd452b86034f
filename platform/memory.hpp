#pragma once
// Memory for the transposition table: how much the machine has, and zeroed pages for the table.

#include <cstddef>
#include <cstdint>

namespace quoll {

// Bytes of physical memory, or 0 when the platform cannot tell.
std::uint64_t physicalMemoryBytes();

// Zero-filled memory straight from the system, which fills each page only when it is first
// touched: a large block costs next to nothing to get and nothing resident until used. nullptr
// when the system refuses. (WebAssembly has no such pages: there the block is zeroed at once.)
void* allocateZeroedPages(std::size_t bytes);
// Returns a block of allocateZeroedPages, given with its size.
void releasePages(void* block, std::size_t bytes);

// The size of a huge page; on Linux a block of allocateZeroedPages of this size or more starts
// on a multiple of it.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Puts the pages of a part of such a block in memory now, their contents kept: where the system
// has them as huge pages (Linux), so that random accesses miss the TLB far less. No later
// access then waits for the system to fill a page. Asked for only here, just before the touch:
// a huge page first touched inside a search, zeroing 2 MiB or compacting memory, would hold it
// up by up to 5 ms.
void bringPagesIn(void* part, std::size_t bytes);

// A write access to every page of the part that keeps its bytes: a write fault gives a page of
// its own at once (a read would map the shared zero page, which a later write then splits).
inline void touchPagesForWrite(void* part, std::size_t bytes) {
    constexpr std::size_t kSmallPageBytes = 4096;
    auto* at = static_cast<unsigned char*>(part);
    for (std::size_t i = 0; i < bytes; i += kSmallPageBytes)
        __atomic_fetch_or(at + i, static_cast<unsigned char>(0), __ATOMIC_RELAXED);
}

}  // namespace quoll

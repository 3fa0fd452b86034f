#include <sys/mman.h>
#include <unistd.h>

#include "platform/memory.hpp"

namespace quoll {

std::uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

void* allocateZeroedPages(std::size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    // No huge pages: they made probes cheaper, but the first touch of one, zeroing 2 MiB or
    // compacting memory, held a search up by up to 5 ms: nearly all of a 50 ms reply's reserve.
    // Touching them all here instead puts the whole table in memory at START, before the
    // manager's MAX_MEMORY (sent after START) can shrink it, and puts the touch of the resized
    // table inside the first turn's clock.
    return block == MAP_FAILED ? nullptr : block;
}

void releasePages(void* block, std::size_t bytes) { munmap(block, bytes); }

}  // namespace quoll

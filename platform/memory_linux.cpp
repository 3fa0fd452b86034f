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
    if (block == MAP_FAILED) return nullptr;
    // Probes land anywhere in the table: 2 MiB pages spare most of their TLB misses. Only a
    // hint; without it the table works the same on small pages.
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void releasePages(void* block, std::size_t bytes) {
    munmap(block, bytes);
}

}  // namespace quoll

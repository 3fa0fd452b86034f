#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/memory.hpp"

namespace quoll {

std::uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

void* allocateZeroedPages(std::size_t bytes) {
    // Huge pages lie on multiples of their size: a large block is cut out of a mapping one huge
    // page longer, at the first such multiple, and the rest of the mapping is given back.
    const std::size_t slack = bytes >= kHugePageBytes ? kHugePageBytes : 0;
    void* mapped =
        mmap(nullptr, bytes + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    if (slack == 0) return mapped;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t block = (start + slack - 1) & ~(slack - 1);
    if (block > start) munmap(mapped, block - start);
    if (const std::uintptr_t after = block + bytes; start + bytes + slack > after)
        munmap(reinterpret_cast<void*>(after), start + bytes + slack - after);
    return reinterpret_cast<void*>(block);
}

void bringPagesIn(void* part, std::size_t bytes) {
    madvise(part, bytes, MADV_HUGEPAGE);  // refused or ignored: small pages, which serve too
    touchPagesForWrite(part, bytes);
}

void releasePages(void* block, std::size_t bytes) { munmap(block, bytes); }

}  // namespace quoll

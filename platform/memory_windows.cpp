#include <windows.h>

#include "platform/memory.hpp"

namespace quoll {

std::uint64_t physicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return status.ullTotalPhys;
}

void* allocateZeroedPages(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void releasePages(void* block, std::size_t) { VirtualFree(block, 0, MEM_RELEASE); }

// Large pages need a privilege that a tournament's account does not have: small pages, in memory
// before the search.
void bringPagesIn(void* part, std::size_t bytes) { touchPagesForWrite(part, bytes); }

}  // namespace quoll

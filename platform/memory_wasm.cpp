#include <emscripten/heap.h>

#include <cstdlib>
#include <cstring>

#include "platform/memory.hpp"

namespace quoll {

namespace {

// A probe reads one cache line.
constexpr std::size_t kBlockAlignment = 64;

}  // namespace

// A WebAssembly module sees only its own memory: the most it may grow to stands for the machine.
std::uint64_t physicalMemoryBytes() { return emscripten_get_heap_max(); }

// WebAssembly memory has no pages to map or give back: the block comes from the heap, which grows
// the module's memory as it needs (and nullptr when it cannot), and is zeroed here. The memory
// never shrinks, so what a table took stays with the module.
void* allocateZeroedPages(std::size_t bytes) {
    const std::size_t rounded = (bytes + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
    void* block = std::aligned_alloc(kBlockAlignment, rounded);
    if (block != nullptr) std::memset(block, 0, rounded);
    return block;
}

void releasePages(void* block, std::size_t) { std::free(block); }

// Zeroing the block has already written every page.
void bringPagesIn(void*, std::size_t) {}

}  // namespace quoll

#pragma once
// Monotonic clock in whole nanoseconds: CLOCK_MONOTONIC on Linux, the performance counter and
// its frequency on Windows, the page's performance.now() in WebAssembly.

#include <cstdint>

namespace quoll {

std::int64_t monotonicNowNs();

// ticks / frequency in nanoseconds without overflow for long uptimes.
constexpr std::int64_t ticksToNs(std::int64_t ticks, std::int64_t frequency) {
    return (ticks / frequency) * 1000000000 + (ticks % frequency) * 1000000000 / frequency;
}

}  // namespace quoll

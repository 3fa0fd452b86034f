#pragma once
// Monotonic clock in whole nanoseconds. The Linux build reads CLOCK_MONOTONIC; another platform
// supplies its own clock.cpp (for instance from its performance counter and frequency).

#include <cstdint>

namespace quoll {

std::int64_t monotonicNowNs();

// ticks / frequency in nanoseconds without overflow for long uptimes.
constexpr std::int64_t ticksToNs(std::int64_t ticks, std::int64_t frequency) {
    return (ticks / frequency) * 1000000000 + (ticks % frequency) * 1000000000 / frequency;
}

}  // namespace quoll

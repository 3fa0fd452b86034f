#include <windows.h>

#include "platform/clock.hpp"

namespace quoll {

namespace {

// The counter's frequency is fixed at boot, so it is read once.
std::int64_t counterFrequency() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER value{};
        QueryPerformanceFrequency(&value);
        return value.QuadPart > 0 ? static_cast<std::int64_t>(value.QuadPart) : 1;
    }();
    return frequency;
}

}  // namespace

std::int64_t monotonicNowNs() {
    LARGE_INTEGER ticks{};
    QueryPerformanceCounter(&ticks);
    return ticksToNs(static_cast<std::int64_t>(ticks.QuadPart), counterFrequency());
}

}  // namespace quoll

#pragma once
// The clock of the fake-clock test build (tests/clock/): the engine's monotonicNowNs() returns
// the fake time and then moves it on by a fixed step, so a timed search reads the same times,
// aborts at the same node and gives the same node counts on every run and machine.

#include <cstdint>
#include <limits>

#include "tree/counters.hpp"

namespace quoll::test {

struct FakeClock {
    std::int64_t nowNs = 0;   // what the next read returns
    std::int64_t stepNs = 0;  // added after each read
    std::int64_t reads = 0;
    // The first read returning `watchNs` or later: its number (0 while none) and the node
    // counts at that moment.
    std::int64_t watchNs = std::numeric_limits<std::int64_t>::max();
    std::int64_t firstWatchedRead = 0;
    NodeCounters nodesAtWatchedRead;
};
extern FakeClock fakeClock;

inline void setFakeClock(std::int64_t nowNs, std::int64_t stepNs) {
    fakeClock = FakeClock{};
    fakeClock.nowNs = nowNs;
    fakeClock.stepNs = stepNs;
}

}  // namespace quoll::test

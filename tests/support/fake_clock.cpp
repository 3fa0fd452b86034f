#include "support/fake_clock.hpp"

#include "platform/clock.hpp"

namespace quoll {

test::FakeClock test::fakeClock;

std::int64_t monotonicNowNs() {
    test::FakeClock& clock = test::fakeClock;
    const std::int64_t now = clock.nowNs;
    clock.nowNs += clock.stepNs;
    ++clock.reads;
    if (clock.firstWatchedRead == 0 && now >= clock.watchNs) {
        clock.firstWatchedRead = clock.reads;
        clock.nodesAtWatchedRead = nodeCounters;
    }
    return now;
}

}  // namespace quoll

// Time control: the budget from the match settings, the deadlines derived from it, and the
// hard-deadline test of the tree nodes.

#include "search/timer.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "platform/clock.hpp"

namespace quoll {
namespace {

// The budget is a twentieth of the match time, truncated, capped by the turn limit. The search
// gets the budget less 4 ms and 1/32 of it, kept back for the reply: the hard deadline lies that
// long after the start, the soft one a third of it; a budget shorter than the reserve ends the
// search at once.
TEST(SearchTimer, BudgetAndDeadlines) {
    struct Row {
        int matchMs, turnMs, budgetMs;
        std::int64_t hardNs, softNs;
    };
    const Row rows[] = {{120000, 5000, 5000, 4'839'750'000, 1'613'250'000},  // the defaults
                        {100000, 5000, 5000, 4'839'750'000, 1'613'250'000},
                        {30000, 5000, 1500, 1'449'125'000, 483'041'666},
                        {120000, 1000, 1000, 964'750'000, 321'583'333},
                        {120000, 50, 50, 44'437'500, 14'812'500},
                        {120000, 4, 4, 0, 0},
                        {39, 5000, 1, 0, 0},  // truncated, never rounded up
                        {19, 5000, 0, 0, 0},
                        {120000, 0, 0, 0, 0},
                        {-1000, 5000, -50, 0, 0}};  // out of match time
    const std::int64_t start = 1'000'000'000'000;
    for (const Row& row : rows) {
        EXPECT_EQ(moveBudgetMs(row.matchMs, row.turnMs), row.budgetMs) << row.matchMs;
        searchTimer = SearchTimer{1, 2, 3, true};
        startSearchTimer(moveBudgetMs(row.matchMs, row.turnMs), start);
        EXPECT_EQ(searchTimer.searchStartNs, start);
        EXPECT_EQ(searchTimer.hardDeadlineNs, start + row.hardNs) << row.turnMs;
        EXPECT_EQ(searchTimer.softDeadlineNs, start + row.softNs) << row.turnMs;
        EXPECT_FALSE(searchTimer.stopFlag);
    }
}

TEST(SearchTimer, PassedDeadlineSetsTheFlagAndTheNextStartClearsIt) {
    startSearchTimer(0, monotonicNowNs() - 1000);
    EXPECT_FALSE(searchTimer.stopFlag);
    EXPECT_TRUE(searchMustStop());
    EXPECT_TRUE(searchTimer.stopFlag);
    // The flag stays up without another look at the clock.
    searchTimer.hardDeadlineNs = std::numeric_limits<std::int64_t>::max();
    EXPECT_TRUE(searchMustStop());

    // A new move request after an aborted search starts with the flag down.
    startSearchTimer(5000, monotonicNowNs());
    EXPECT_FALSE(searchTimer.stopFlag);
    EXPECT_FALSE(searchMustStop());
    EXPECT_FALSE(searchTimer.stopFlag);
}

TEST(SearchTimer, UnlimitedTimerNeverStops) {
    searchTimer.stopFlag = true;
    startUnlimitedSearchTimer();
    EXPECT_FALSE(searchTimer.stopFlag);
    EXPECT_FALSE(searchMustStop());
    EXPECT_EQ(searchTimer.hardDeadlineNs, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(searchTimer.softDeadlineNs, std::numeric_limits<std::int64_t>::max());
    EXPECT_LE(searchTimer.searchStartNs, monotonicNowNs());
}

TEST(Clock, TicksToNanoseconds) {
    static_assert(ticksToNs(10'000'000, 10'000'000) == 1'000'000'000);
    EXPECT_EQ(ticksToNs(0, 3), 0);
    EXPECT_EQ(ticksToNs(1, 3), 333333333);
    EXPECT_EQ(ticksToNs(4, 3), 1333333333);
    // A long uptime on a 10 MHz counter does not overflow: a year of ticks.
    const std::int64_t year = 365LL * 24 * 3600;
    EXPECT_EQ(ticksToNs(year * 10'000'000 + 5, 10'000'000), year * 1'000'000'000 + 500);
    // A 3 GHz counter: the remainder part alone would overflow if multiplied first.
    const std::int64_t ghz3 = 3'000'000'000;
    EXPECT_EQ(ticksToNs(year * ghz3 + 2'999'999'999, ghz3), year * 1'000'000'000 + 999'999'999);
}

TEST(Clock, MonotonicNeverGoesBack) {
    std::int64_t last = monotonicNowNs();
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t now = monotonicNowNs();
        EXPECT_GE(now, last);
        last = now;
    }
}

}  // namespace
}  // namespace quoll

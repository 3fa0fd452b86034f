#pragma once
// The search timer: deadlines on the monotonic clock, set by the think step before each search.

#include <cstdint>

namespace quoll {

struct SearchTimer {
    std::int64_t searchStartNs = 0;
    std::int64_t hardDeadlineNs = 0;  // tree nodes abort at or after it
    std::int64_t softDeadlineNs = 0;  // the root starts no iteration at or after it
    bool stopFlag = false;            // set by the first tree node that sees the hard deadline
};
extern SearchTimer searchTimer;

// One twentieth of the remaining match time, capped by the per-move limit, in milliseconds.
std::int64_t moveBudgetMs(std::int64_t timeLeftMs, std::int64_t timeoutTurnMs);

// Sets all four fields for a search starting at `nowNs` with the given budget.
void startSearchTimer(std::int64_t budgetMs, std::int64_t nowNs);

// Deadlines far in the future: a search limited by depth alone (benchmarks, tests).
void startUnlimitedSearchTimer();

// Hard-deadline test of a tree node: true when the node must abort (sets stopFlag).
bool searchMustStop();

}  // namespace quoll

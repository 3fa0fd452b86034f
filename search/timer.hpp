#pragma once
// The search timer: deadlines on the monotonic clock, set by the think step before each search.

#include <cstdint>

namespace quoll {

inline constexpr std::uint64_t kNoNodeLimit = UINT64_MAX;

struct SearchTimer {
    std::int64_t searchStartNs = 0;
    std::int64_t hardDeadlineNs = 0;  // tree nodes abort at or after it
    std::int64_t softDeadlineNs = 0;  // the root starts no iteration at or after it
    bool stopFlag = false;            // set by the first tree node that sees the hard deadline
    // The manager's node limit, tested where the clock is read; the largest value: none.
    std::uint64_t nodeLimit = kNoNodeLimit;
};
extern SearchTimer searchTimer;

// One twentieth of the remaining match time, capped by the per-move limit, in milliseconds.
std::int64_t moveBudgetMs(std::int64_t timeLeftMs, std::int64_t timeoutTurnMs);

// What a reply needs besides its search, kept back from every budget: the manager's clock runs
// from the write of its command to the read of the reply, so getting the command through the
// pipe and read, noticing the deadline (the horizon and four-sequence searches between two
// looks at the clock took at most 1.2 ms of processor time in threat-crowded positions),
// unwinding and writing the reply must fit in the budget too, also when the machine is busy.
// A fixed part, and a part growing with the budget for a loaded machine's scheduling delays.
inline constexpr std::int64_t kReplyReserveNs = 4'000'000;
inline constexpr std::int64_t kReplyReserveShare = 32;  // and 1/32 of the budget

// The part of a budget the search may use: the budget less the reserve, at least 0.
std::int64_t searchBudgetNs(std::int64_t budgetMs);

// Sets the fields for a search whose clock started at `startNs` (when its command was read):
// the hard deadline at the search budget, the soft one at a third of it, and no node limit.
void startSearchTimer(std::int64_t budgetMs, std::int64_t startNs);

// Makes the tree nodes stop, as at the hard deadline, once the search has visited `nodes` nodes
// of all kinds; 0 or less: no limit. Set after startSearchTimer, for a search with a deadline.
void limitSearchNodes(std::int64_t nodes);

// Deadlines far in the future: a search limited by depth alone (benchmarks, tests).
void startUnlimitedSearchTimer();

// Hard-deadline and node-limit test of a tree node: true when the node must abort (sets
// stopFlag).
bool searchMustStop();

}  // namespace quoll

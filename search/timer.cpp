#include "search/timer.hpp"

#include <algorithm>
#include <limits>

#include "platform/clock.hpp"
#include "tree/counters.hpp"

namespace quoll {

SearchTimer searchTimer;

std::int64_t moveBudgetMs(std::int64_t timeLeftMs, std::int64_t timeoutTurnMs) {
    return std::min(timeLeftMs * 10 / 200, timeoutTurnMs);
}

std::int64_t searchBudgetNs(std::int64_t budgetMs) {
    if (budgetMs <= 0) return 0;
    const std::int64_t budgetNs = budgetMs * 1000000;
    return std::max<std::int64_t>(0, budgetNs - kReplyReserveNs - budgetNs / kReplyReserveShare);
}

void startSearchTimer(std::int64_t budgetMs, std::int64_t startNs) {
    const std::int64_t searchNs = searchBudgetNs(budgetMs);
    searchTimer.searchStartNs = startNs;
    searchTimer.hardDeadlineNs = startNs + searchNs;
    searchTimer.softDeadlineNs = startNs + searchNs / 3;
    searchTimer.stopFlag = false;
    searchTimer.nodeLimit = kNoNodeLimit;
}

void limitSearchNodes(std::int64_t nodes) {
    searchTimer.nodeLimit = nodes > 0 ? static_cast<std::uint64_t>(nodes) : kNoNodeLimit;
}

void startUnlimitedSearchTimer() {
    searchTimer.searchStartNs = monotonicNowNs();
    searchTimer.hardDeadlineNs = std::numeric_limits<std::int64_t>::max();
    searchTimer.softDeadlineNs = std::numeric_limits<std::int64_t>::max();
    searchTimer.stopFlag = false;
    searchTimer.nodeLimit = kNoNodeLimit;
}

bool searchMustStop() {
    if (searchTimer.stopFlag) return true;
    // A search limited by depth alone reads no clock.
    if (searchTimer.hardDeadlineNs == std::numeric_limits<std::int64_t>::max()) return false;
    // The node limit rides on the clock's test: no search limited by depth alone pays for it.
    const std::uint64_t nodes = nodeCounters.tree + nodeCounters.horizon + nodeCounters.vcf;
    searchTimer.stopFlag =
        (monotonicNowNs() >= searchTimer.hardDeadlineNs) | (nodes >= searchTimer.nodeLimit);
    return searchTimer.stopFlag;
}

}  // namespace quoll

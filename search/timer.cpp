#include "search/timer.hpp"

#include <algorithm>
#include <limits>

#include "platform/clock.hpp"

namespace quoll {

SearchTimer searchTimer;

std::int64_t moveBudgetMs(std::int64_t timeLeftMs, std::int64_t timeoutTurnMs) {
    return std::min(timeLeftMs * 10 / 200, timeoutTurnMs);
}

void startSearchTimer(std::int64_t budgetMs, std::int64_t nowNs) {
    searchTimer.searchStartNs = nowNs;
    searchTimer.hardDeadlineNs = nowNs + budgetMs * 1000000;
    searchTimer.softDeadlineNs = nowNs + (budgetMs * 10 / 30) * 1000000;
    searchTimer.stopFlag = false;
}

void startUnlimitedSearchTimer() {
    searchTimer.searchStartNs = monotonicNowNs();
    searchTimer.hardDeadlineNs = std::numeric_limits<std::int64_t>::max();
    searchTimer.softDeadlineNs = std::numeric_limits<std::int64_t>::max();
    searchTimer.stopFlag = false;
}

bool searchMustStop() {
    if (searchTimer.stopFlag) return true;
    // A search limited by depth alone reads no clock.
    if (searchTimer.hardDeadlineNs == std::numeric_limits<std::int64_t>::max()) return false;
    searchTimer.stopFlag = monotonicNowNs() >= searchTimer.hardDeadlineNs;
    return searchTimer.stopFlag;
}

}  // namespace quoll

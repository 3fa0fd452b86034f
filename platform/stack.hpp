#pragma once
// Runs work on a thread with a stack of a given size, painted beforehand so that the deepest
// point the work reached can be read afterwards.

#include <cstddef>
#include <functional>

namespace quoll {

inline constexpr std::size_t kDefaultStackBytes = 8 * 1024 * 1024;  // Linux main thread

struct StackRun {
    bool started = false;
    std::size_t bytesUsed = 0;  // high-water mark of the thread's stack
};

StackRun runWithMeasuredStack(std::size_t stackBytes, const std::function<void()>& work);

}  // namespace quoll

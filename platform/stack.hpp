#pragma once
// Runs work on a thread with a stack of a given size, painted beforehand so that the deepest
// point the work reached can be read afterwards.

#include <cstddef>
#include <functional>

namespace quoll {

// The main thread's stack: Linux's default, and the reserve the Windows build links into the
// .exe (CMakeLists.txt), where Windows would give 1 MiB.
inline constexpr std::size_t kDefaultStackBytes = 8 * 1024 * 1024;

struct StackRun {
    bool started = false;
    std::size_t bytesUsed = 0;  // high-water mark of the thread's stack
};

// The paint, and how much of it at the low end of `length` painted bytes the work left untouched
// (the stack grows down).
inline constexpr unsigned char kStackPaint = 0xA5;
inline std::size_t untouchedPaint(const volatile unsigned char* low, std::size_t length) {
    std::size_t untouched = 0;
    while (untouched < length && low[untouched] == kStackPaint) ++untouched;
    return untouched;
}

StackRun runWithMeasuredStack(std::size_t stackBytes, const std::function<void()>& work);

}  // namespace quoll

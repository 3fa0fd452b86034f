// The platform's measures: the deepest point a thread's stack reached, and the machine's memory.

#include "platform/stack.hpp"

#include <gtest/gtest.h>

#include "platform/memory.hpp"

namespace quoll {
namespace {

constexpr std::size_t kFrameBytes = 4096;

// Each level holds a 4 kB frame that the compiler cannot drop.
std::size_t descend(int levels) {
    volatile unsigned char frame[kFrameBytes];
    frame[0] = static_cast<unsigned char>(levels);
    frame[kFrameBytes - 1] = frame[0];
    const std::size_t below = levels > 1 ? descend(levels - 1) : 0;
    return below + frame[kFrameBytes - 1];
}

TEST(MeasuredStack, DeepestPointIsReadToWithinAFewPages) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr std::size_t kSlack = 512 * 1024;  // the sanitizer puts guards around every frame
#else
    constexpr std::size_t kSlack = 64 * 1024;
#endif
    for (const int levels : {16, 128}) {
        const std::size_t reached = levels * kFrameBytes;
        const StackRun run = runWithMeasuredStack(1024 * 1024, [&] { descend(levels); });
        ASSERT_TRUE(run.started);
        EXPECT_GE(run.bytesUsed, reached) << levels;
        EXPECT_LE(run.bytesUsed, reached + kSlack) << levels;
    }
}

TEST(PhysicalMemory, MachineHasSome) {
    EXPECT_GT(physicalMemoryBytes(), std::uint64_t{64} << 20);
}

}  // namespace
}  // namespace quoll

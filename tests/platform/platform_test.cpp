// The platform's path rules and its measure of the deepest point a thread's stack reached.

#include <gtest/gtest.h>

#include "platform/path.hpp"
#include "platform/stack.hpp"

namespace quoll {
namespace {

#ifdef _WIN32
constexpr bool kLeadingSlashIsAbsolute = false;  // relative to the current drive
#else
constexpr bool kLeadingSlashIsAbsolute = true;
#endif

TEST(AbsolutePath, WindowsFormsCountOnEveryPlatformAndALeadingSlashOnLinuxOnly) {
    struct Row {
        std::wstring path;
        bool windowsForm;
        bool leadingSlash;
    };
    // Drive-relative, relative and empty paths are not absolute anywhere.
    for (const Row& row : std::vector<Row>{{L"C:\\engines\\", true, false},
                                           {L"c:/engines/", true, false},
                                           {L"Z:\\", true, false},
                                           {L"z:\\", true, false},
                                           {L"\\\\server\\share\\", true, false},
                                           {L"\\\\server", true, false},
                                           {L"\\\\s", true, false},
                                           {L"/", false, true},
                                           {L"/usr/games/", false, true},
                                           {L"C:", false, false},
                                           {L"C:engines\\", false, false},
                                           {L"1:\\engines\\", false, false},
                                           {L"[:\\", false, false},
                                           {L"{:\\", false, false},
                                           {L"engines\\", false, false},
                                           {L".\\", false, false},
                                           {L"", false, false},
                                           {L"\\\\", false, false},
                                           {L"\\engines\\", false, false},
                                           {L"./", false, false}}) {
        const std::string text(row.path.begin(), row.path.end());
        EXPECT_EQ(isWindowsAbsolutePath(row.path), row.windowsForm) << text;
        EXPECT_EQ(isAbsolutePath(row.path),
                  row.windowsForm || (row.leadingSlash && kLeadingSlashIsAbsolute))
            << text;
    }
    EXPECT_EQ(toWidePath("C:/engines/x.exe"), L"C:/engines/x.exe");
}

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
        const StackRun run = runWithMeasuredStack(1024 * 1024, [&] { descend(levels); });
        ASSERT_TRUE(run.started);
        EXPECT_GE(run.bytesUsed, levels * kFrameBytes) << levels;
        EXPECT_LE(run.bytesUsed, levels * kFrameBytes + kSlack) << levels;
    }
}

}  // namespace
}  // namespace quoll

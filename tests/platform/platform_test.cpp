// The platform's path rules and its measure of the deepest point a thread's stack reached.

#include <gtest/gtest.h>

#include <tuple>

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
    // Drive letters of either case, the first and last of each range among them.
    const std::vector<std::wstring> windowsForms = {
        L"C:\\engines\\", L"c:/engines/",         L"A:\\",       L"a:\\", L"a:/", L"Z:\\",
        L"z:\\",          L"\\\\server\\share\\", L"\\\\server", L"\\\\s"};
    const std::vector<std::wstring> leadingSlash = {L"/", L"/usr/games/"};
    // Drive-relative, relative and empty paths are not absolute anywhere.
    const std::vector<std::wstring> relative = {
        L"C:",          L"a:",   L"C:engines\\", L"1:\\engines\\", L"@:\\", L"[:\\",
        L"`:\\",        L"{:\\", L"engines\\",   L".\\",           L"",     L"\\\\",
        L"\\engines\\", L"./"};
    for (const auto& [paths, windowsForm, absolute] :
         {std::tuple{windowsForms, true, true},
          std::tuple{leadingSlash, false, kLeadingSlashIsAbsolute},
          std::tuple{relative, false, false}})
        for (const std::wstring& path : paths) {
            const std::string text(path.begin(), path.end());
            EXPECT_EQ(isWindowsAbsolutePath(path), windowsForm) << text;
            EXPECT_EQ(isAbsolutePath(path), absolute) << text;
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

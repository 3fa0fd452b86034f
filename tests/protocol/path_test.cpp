// The platform's path rules and the start-up check of the engine's folder.

#include "platform/path.hpp"

#include <gtest/gtest.h>

#include "protocol/engine_folder.hpp"

namespace quoll {
namespace {

TEST(AbsolutePath, WindowsFormsCountOnEveryPlatform) {
    EXPECT_TRUE(isAbsolutePath(L"C:\\engines\\"));
    EXPECT_TRUE(isAbsolutePath(L"c:/engines/"));
    EXPECT_TRUE(isAbsolutePath(L"Z:\\"));
    EXPECT_TRUE(isAbsolutePath(L"\\\\server\\share\\"));
    EXPECT_TRUE(isWindowsAbsolutePath(L"\\\\server"));
    // Drive-relative, relative and empty paths are not absolute.
    EXPECT_FALSE(isAbsolutePath(L"C:"));
    EXPECT_FALSE(isAbsolutePath(L"C:engines\\"));
    EXPECT_FALSE(isAbsolutePath(L"1:\\engines\\"));
    EXPECT_FALSE(isAbsolutePath(L"engines\\"));
    EXPECT_FALSE(isAbsolutePath(L".\\"));
    EXPECT_FALSE(isAbsolutePath(L""));
    EXPECT_FALSE(isWindowsAbsolutePath(L"\\\\"));
    EXPECT_FALSE(isWindowsAbsolutePath(L"\\engines\\"));
}

TEST(AbsolutePath, LeadingSlashOnLinux) {
    EXPECT_TRUE(isAbsolutePath(L"/"));
    EXPECT_TRUE(isAbsolutePath(L"/usr/games/"));
    EXPECT_FALSE(isAbsolutePath(L"./"));
    EXPECT_FALSE(isAbsolutePath(L"games/"));
    EXPECT_FALSE(isWindowsAbsolutePath(L"/usr/games/"));
}

TEST(WidePath, AsciiConvertsAndUnconvertibleBytesAreKept) {
    EXPECT_EQ(toWidePath("C:/engines/x.exe"), L"C:/engines/x.exe");
    EXPECT_EQ(toWidePath(""), L"");
    // Not text of the C locale: every byte becomes one wide character of its value.
    const std::wstring kept = toWidePath("/m\xE9t\xFF/");
    ASSERT_EQ(kept.size(), 6u);
    EXPECT_EQ(kept[0], L'/');
    EXPECT_EQ(static_cast<unsigned>(kept[2]), 0xE9u);
    EXPECT_EQ(static_cast<unsigned>(kept[4]), 0xFFu);
}

TEST(EngineFolder, TheFolderLeftAfterTheFileNameDecides) {
    EXPECT_TRUE(locateEngineFolder("C:/engines/x.exe"));
    EXPECT_TRUE(locateEngineFolder("C:\\engines\\pbrain-quoll.exe"));
    EXPECT_TRUE(locateEngineFolder("/opt/quoll/pbrain-quoll"));
    EXPECT_TRUE(locateEngineFolder("/pbrain-quoll"));
    EXPECT_TRUE(locateEngineFolder("/opt/\xE9t\xE9/pbrain-quoll"));
    EXPECT_FALSE(locateEngineFolder("x.exe"));
    EXPECT_FALSE(locateEngineFolder("./pbrain-quoll"));
    EXPECT_FALSE(locateEngineFolder("build/pbrain-quoll"));
    // "C:x.exe" leaves no separator at all, so the folder is empty.
    EXPECT_FALSE(locateEngineFolder("C:x.exe"));
    EXPECT_TRUE(locateEngineFolder("C:/"));
    EXPECT_FALSE(locateEngineFolder(""));
}

}  // namespace
}  // namespace quoll

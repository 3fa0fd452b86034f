// The platform's path rules and the start-up check of the engine's folder.

#include "platform/path.hpp"

#include <gtest/gtest.h>

#include "protocol/engine_folder.hpp"

namespace quoll {
namespace {

TEST(AbsolutePath, WindowsFormsCountOnEveryPlatformAndALeadingSlashOnLinux) {
    // Drive-relative, relative and empty paths are not absolute.
    for (const auto& [path, absolute, windows] : std::vector<std::tuple<std::wstring, bool, bool>>{
             {L"C:\\engines\\", true, true}, {L"c:/engines/", true, true}, {L"Z:\\", true, true},
             {L"\\\\server\\share\\", true, true}, {L"\\\\server", true, true},
             {L"/", true, false}, {L"/usr/games/", true, false},
             {L"C:", false, false}, {L"C:engines\\", false, false}, {L"1:\\engines\\", false, false},
             {L"engines\\", false, false}, {L".\\", false, false}, {L"", false, false},
             {L"\\\\", false, false}, {L"\\engines\\", false, false}, {L"./", false, false},
             {L"games/", false, false}}) {
        EXPECT_EQ(isAbsolutePath(path), absolute) << std::string(path.begin(), path.end());
        EXPECT_EQ(isWindowsAbsolutePath(path), windows) << std::string(path.begin(), path.end());
    }
}

TEST(WidePath, AsciiConvertsAndUnconvertibleBytesAreKept) {
    EXPECT_EQ(toWidePath("C:/engines/x.exe"), L"C:/engines/x.exe");
    EXPECT_EQ(toWidePath(""), L"");
    // Not text of the C locale: every byte becomes one wide character of its value.
    EXPECT_EQ(toWidePath("/m\xE9t\xFF/"), std::wstring(L"/m\u00E9t\u00FF/"));
}

TEST(EngineFolder, TheFolderLeftAfterTheFileNameDecides) {
    for (const char* path : {"C:/engines/x.exe", "C:\\engines\\pbrain-quoll.exe",
                             "/opt/quoll/pbrain-quoll", "/pbrain-quoll", "/opt/\xE9t\xE9/pbrain-quoll",
                             "C:/"})
        EXPECT_TRUE(locateEngineFolder(path)) << path;
    // "C:x.exe" leaves no separator at all, so the folder is empty.
    for (const char* path : {"x.exe", "./pbrain-quoll", "build/pbrain-quoll", "C:x.exe", ""})
        EXPECT_FALSE(locateEngineFolder(path)) << path;
}

}  // namespace
}  // namespace quoll

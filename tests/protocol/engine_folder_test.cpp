// The start-up check of the engine's folder.

#include "protocol/engine_folder.hpp"

#include <gtest/gtest.h>

namespace quoll {
namespace {

TEST(EngineFolder, TheFolderLeftAfterTheFileNameDecides) {
    for (const char* path : {"C:/engines/x.exe", "C:\\engines\\pbrain-quoll.exe",
                             "\\\\server\\engines\\pbrain-quoll.exe", "C:/"})
        EXPECT_TRUE(locateEngineFolder(path)) << path;
    // "C:x.exe" leaves no separator at all, so the folder is empty.
    for (const char* path : {"x.exe", "./pbrain-quoll", "build/pbrain-quoll", "C:x.exe",
                             "engines\\x.exe", ""})
        EXPECT_FALSE(locateEngineFolder(path)) << path;
    // A leading slash is absolute on Linux only; on Windows it means the current drive.
#ifdef _WIN32
    constexpr bool kRootedIsAbsolute = false;
#else
    constexpr bool kRootedIsAbsolute = true;
#endif
    for (const char* path : {"/opt/quoll/pbrain-quoll", "/pbrain-quoll", "/opt/\xE9t\xE9/x"})
        EXPECT_EQ(locateEngineFolder(path), kRootedIsAbsolute) << path;
}

}  // namespace
}  // namespace quoll

// The platform's path rules and its conversion of narrow path text to wide characters.

#include "platform/path.hpp"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

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
    for (const Row& row : std::vector<Row>{
             {L"C:\\engines\\", true, false}, {L"c:/engines/", true, false}, {L"Z:\\", true, false},
             {L"\\\\server\\share\\", true, false}, {L"\\\\server", true, false},
             {L"/", false, true}, {L"/usr/games/", false, true},
             {L"C:", false, false}, {L"C:engines\\", false, false}, {L"1:\\engines\\", false, false},
             {L"engines\\", false, false}, {L".\\", false, false}, {L"", false, false},
             {L"\\\\", false, false}, {L"\\engines\\", false, false}, {L"./", false, false},
             {L"games/", false, false}}) {
        const std::string text(row.path.begin(), row.path.end());
        EXPECT_EQ(isWindowsAbsolutePath(row.path), row.windowsForm) << text;
        EXPECT_EQ(isAbsolutePath(row.path),
                  row.windowsForm || (row.leadingSlash && kLeadingSlashIsAbsolute))
            << text;
    }
}

TEST(WidePath, AsciiConvertsOnEveryPlatform) {
    EXPECT_EQ(toWidePath("C:/engines/x.exe"), L"C:/engines/x.exe");
    EXPECT_EQ(toWidePath(""), L"");
}

#ifdef _WIN32
// Which code page applies is the file APIs' choice; the test knows the Western pages only.
TEST(WidePath, FileApisChooseTheAnsiOrTheOemCodePage) {
    if (GetACP() != 1252 || GetOEMCP() != 437) GTEST_SKIP() << "not the Western code pages";
    ASSERT_TRUE(AreFileApisANSI());
    EXPECT_EQ(toWidePath("C:\\m\xE9t\x80\\"), L"C:\\m\u00E9t\u20AC\\");
    SetFileApisToOEM();
    const std::wstring oem = toWidePath("C:\\m\x82t\x80\\");
    SetFileApisToANSI();
    EXPECT_EQ(oem, L"C:\\m\u00E9t\u00C7\\");
}
#else
TEST(WidePath, TextOutsideTheLocaleKeepsEveryByte) {
    // Not text of the C locale: every byte becomes one wide character of its value.
    EXPECT_EQ(toWidePath("/m\xE9t\xFF/"), std::wstring(L"/m\u00E9t\u00FF/"));
}
#endif

}  // namespace
}  // namespace quoll

#pragma once
// Paths as the platform sees them: narrow program text to a wide path, and the absolute-path
// rule. path_linux.cpp and path_windows.cpp hold the platform-specific half.

#include <string>
#include <string_view>

namespace quoll {

// Narrow text in the platform's file-system encoding to a wide path: the locale's encoding on
// Linux; on Windows the ANSI code page, or the OEM one when the file APIs were switched to it.
// Text that cannot be converted is kept byte by byte (each byte becomes one wide character of
// the same value).
std::wstring toWidePath(std::string_view narrow);

// Each byte as one wide character of the same value: the fallback of toWidePath.
std::wstring widenByteByByte(std::string_view narrow);

// The Windows absolute forms, recognised on every platform: a drive letter, a colon and a
// slash or backslash ("C:\x", "c:/x"), or a root name of two separators and a server ("\\srv").
// A drive letter and colon without a separator is drive-relative, not absolute.
bool isWindowsAbsolutePath(std::wstring_view path);

// Absolute by this platform's rules: the Windows forms, and on Linux also a leading slash (on
// Windows that is relative to the current drive). Empty is never absolute.
bool isAbsolutePath(std::wstring_view path);

}  // namespace quoll

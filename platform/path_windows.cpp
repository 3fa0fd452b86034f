#include <windows.h>

#include <climits>

#include "platform/path.hpp"

namespace quoll {

std::wstring toWidePath(std::string_view narrow) {
    if (narrow.empty() || narrow.size() > static_cast<std::size_t>(INT_MAX))
        return widenByteByByte(narrow);
    // The file APIs' code page: ANSI unless the process switched them to OEM.
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = static_cast<int>(narrow.size());
    const int wideLength =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), length, nullptr, 0);
    if (wideLength <= 0) return widenByteByByte(narrow);  // not text of that code page
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), length, wide.data(),
                        wideLength);
    return wide;
}

bool isAbsolutePath(std::wstring_view path) { return isWindowsAbsolutePath(path); }

}  // namespace quoll

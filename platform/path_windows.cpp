#include <windows.h>

#include <climits>

#include "platform/path.hpp"

namespace quoll {

std::wstring toWidePath(std::string_view narrow) {
    if (narrow.empty()) return {};
    // The file APIs' code page: ANSI unless the process switched them to OEM.
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = narrow.size() <= static_cast<std::size_t>(INT_MAX)
                           ? static_cast<int>(narrow.size())
                           : 0;
    int wideLength = length > 0 ? MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS,
                                                      narrow.data(), length, nullptr, 0)
                                : 0;
    std::wstring wide;
    if (wideLength > 0) {
        wide.resize(static_cast<std::size_t>(wideLength));
        wideLength = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), length,
                                         wide.data(), wideLength);
    }
    if (wideLength <= 0) {
        // Not text of that code page: keep every byte as it came.
        wide.assign(narrow.size(), L'\0');
        for (std::size_t i = 0; i < narrow.size(); ++i)
            wide[i] = static_cast<unsigned char>(narrow[i]);
    }
    return wide;
}

bool isAbsolutePath(std::wstring_view path) {
    return isWindowsAbsolutePath(path);
}

}  // namespace quoll

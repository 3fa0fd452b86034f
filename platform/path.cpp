#include "platform/path.hpp"

namespace quoll {

namespace {

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

std::wstring widenByteByByte(std::string_view narrow) {
    std::wstring wide;
    wide.reserve(narrow.size());
    for (const char byte : narrow) wide.push_back(static_cast<unsigned char>(byte));
    return wide;
}

bool isWindowsAbsolutePath(std::wstring_view path) {
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && isSeparator(path[2]))
        return true;
    // A root name: two separators followed by the server's name.
    return path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) &&
           !isSeparator(path[2]);
}

}  // namespace quoll

#include <cwchar>

#include "platform/path.hpp"

namespace quoll {

std::wstring toWidePath(std::string_view narrow) {
    std::wstring wide;
    wide.reserve(narrow.size());
    std::mbstate_t state{};
    std::size_t position = 0;
    while (position < narrow.size()) {
        wchar_t character = 0;
        const std::size_t used =
            std::mbrtowc(&character, narrow.data() + position, narrow.size() - position, &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2))
            return widenByteByByte(narrow);  // not text of this locale's encoding
        wide.push_back(character);
        position += used == 0 ? 1 : used;  // 0: an embedded NUL, one byte long
    }
    return wide;
}

bool isAbsolutePath(std::wstring_view path) {
    return (!path.empty() && path[0] == L'/') || isWindowsAbsolutePath(path);
}

}  // namespace quoll

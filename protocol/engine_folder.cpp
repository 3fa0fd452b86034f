#include "protocol/engine_folder.hpp"

#include "platform/path.hpp"

namespace quoll {

bool locateEngineFolder(std::string_view programPath) {
    std::wstring folder = toWidePath(programPath);
    const std::size_t separator = folder.find_last_of(L"/\\");
    folder.resize(separator == std::wstring::npos ? 0 : separator + 1);
    return isAbsolutePath(folder);
}

}  // namespace quoll

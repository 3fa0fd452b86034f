#pragma once
// The start-up check of the folder the engine was started from.

#include <string_view>

namespace quoll {

// Drops the file name from the program path (everything after the last slash or backslash)
// and tells whether the folder left is absolute. A bare file name leaves an empty folder.
bool locateEngineFolder(std::string_view programPath);

}  // namespace quoll

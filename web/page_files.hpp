#pragma once
// The page's files, built into the program from web/page/ so that it serves exactly these
// and never reads a path named by a request.

#include <span>
#include <string_view>

namespace quoll::web {

struct PageFile {
    const char* path;  // the route: "/" for index.html, dots escaped
    std::string_view content;
    const char* type;
};

extern const std::span<const PageFile> kPageFiles;

}  // namespace quoll::web

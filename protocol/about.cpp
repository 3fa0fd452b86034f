#include "protocol/about.hpp"

#include <fmt/format.h>

#include "board/types.hpp"
#include "protocol/replies.hpp"

namespace quoll {

namespace {

constexpr const char* kEngineName = "Quoll";
constexpr const char* kAuthor = "Quoll developers";
constexpr const char* kCountry = "n/a";
constexpr const char* kEmail = "quoll@example.org";
constexpr int kVersion = 9;
constexpr const char* kBuildDate = __DATE__ " " __TIME__;  // "Mmm dd yyyy hh:mm:ss"
constexpr const char* kTargetRule = "standard";
constexpr int kDebug = 0;

}  // namespace

void writeAbout() {
    writeLine(fmt::format(
        "name=\"{}\", author=\"{}\", country=\"{}\", email=\"{}\", version=\"{}\", "
        "build-date=\"{}\", target-rule=\"{}\", target-board-size=\"{}\", debug=\"{}\"\n",
        kEngineName, kAuthor, kCountry, kEmail, kVersion, kBuildDate, kTargetRule, kBoardSize,
        kDebug));
}

}  // namespace quoll

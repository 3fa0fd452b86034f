#pragma once
// Scanning of command lines against patterns such as "TURN {},{}".
//
// A literal character of the pattern matches itself; a blank matches any run of white space,
// also an empty one. Each {} skips white space and then reads one value into the next target:
// an integer of the target's width (a sign allowed, overflow fails the scan) or, for a string,
// one word up to the next white space. The scan succeeds once every target is filled; text
// after the last placeholder is ignored. Targets are written one after the other as they are
// read, so one variable may take two placeholders and keeps the later value.

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quoll {

using ScanTarget = std::variant<std::int16_t*, std::int32_t*, std::int64_t*, std::string*>;

// White space of the protocol: blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool scanTargets(std::string_view text, std::string_view pattern,
                 std::span<const ScanTarget> targets);

template <typename... Targets>
bool scan(std::string_view text, std::string_view pattern, Targets&... targets) {
    const std::array<ScanTarget, sizeof...(Targets)> list{ScanTarget{&targets}...};
    return scanTargets(text, pattern, list);
}

// One integer from the start of a text, after white space ("1000MS" gives 1000); nothing when
// the text does not begin with an integer or the integer does not fit [minimum, maximum].
std::optional<std::int64_t> scanLeadingInteger(std::string_view text, std::int64_t minimum,
                                               std::int64_t maximum);

// The same, except that an integer beyond [minimum, maximum] gives the nearer bound.
std::optional<std::int64_t> scanSaturatedInteger(std::string_view text, std::int64_t minimum,
                                                 std::int64_t maximum);

template <typename Int>
std::optional<Int> scanLeadingInteger(std::string_view text) {
    const auto value =
        scanLeadingInteger(text, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max());
    if (!value) return std::nullopt;
    return static_cast<Int>(*value);
}

}  // namespace quoll

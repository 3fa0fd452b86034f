#include "protocol/scan.hpp"

#include <type_traits>

namespace quoll {

namespace {

void skipWhiteSpace(std::string_view text, std::size_t& position) {
    while (position < text.size() && isWhiteSpace(text[position])) ++position;
}

enum class OutOfRange { Fails, Saturates };

// Reads an optionally signed decimal integer at `position`; fails when no digit follows. A value
// beyond [minimum, maximum] fails, or gives the nearer bound when it saturates (its digits are
// all read). The magnitude is checked before every step, so no intermediate value overflows.
std::optional<std::int64_t> readInteger(std::string_view text, std::size_t& position,
                                        std::int64_t minimum, std::int64_t maximum,
                                        OutOfRange outOfRange = OutOfRange::Fails) {
    skipWhiteSpace(text, position);
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    // Largest magnitude allowed: |minimum| for negative numbers, maximum otherwise.
    const std::uint64_t limit =
        negative ? (minimum < 0 ? static_cast<std::uint64_t>(-(minimum + 1)) + 1 : 0)
                 : static_cast<std::uint64_t>(maximum);
    std::uint64_t magnitude = 0;
    std::size_t digits = 0;
    bool beyond = false;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        const auto digit = static_cast<std::uint64_t>(text[position] - '0');
        if (digit > limit || magnitude > (limit - digit) / 10) {
            if (outOfRange == OutOfRange::Fails) return std::nullopt;
            beyond = true;
        }
        magnitude = beyond ? limit : magnitude * 10 + digit;
        ++position;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (!negative) return static_cast<std::int64_t>(magnitude);
    if (magnitude == 0) return 0;
    return -static_cast<std::int64_t>(magnitude - 1) - 1;
}

std::optional<std::string_view> readWord(std::string_view text, std::size_t& position) {
    skipWhiteSpace(text, position);
    const std::size_t begin = position;
    while (position < text.size() && !isWhiteSpace(text[position])) ++position;
    if (position == begin) return std::nullopt;
    return text.substr(begin, position - begin);
}

bool fillTarget(std::string_view text, std::size_t& position, const ScanTarget& target) {
    return std::visit(
        [&](auto* destination) {
            using Value = std::remove_pointer_t<decltype(destination)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                const auto word = readWord(text, position);
                if (!word) return false;
                destination->assign(*word);
            } else {
                const auto value = readInteger(text, position, std::numeric_limits<Value>::min(),
                                               std::numeric_limits<Value>::max());
                if (!value) return false;
                *destination = static_cast<Value>(*value);
            }
            return true;
        },
        target);
}

}  // namespace

bool scanTargets(std::string_view text, std::string_view pattern,
                 std::span<const ScanTarget> targets) {
    std::size_t position = 0;
    std::size_t index = 0;
    std::size_t filled = 0;
    while (filled < targets.size()) {
        if (index >= pattern.size()) return false;  // fewer placeholders than targets
        if (pattern.substr(index, 2) == "{}") {
            if (!fillTarget(text, position, targets[filled])) return false;
            ++filled;
            index += 2;
            continue;
        }
        const char expected = pattern[index++];
        if (isWhiteSpace(expected)) {
            skipWhiteSpace(text, position);
        } else {
            if (position >= text.size() || text[position] != expected) return false;
            ++position;
        }
    }
    return true;
}

std::optional<std::int64_t> scanLeadingInteger(std::string_view text, std::int64_t minimum,
                                               std::int64_t maximum) {
    std::size_t position = 0;
    return readInteger(text, position, minimum, maximum);
}

std::optional<std::int64_t> scanSaturatedInteger(std::string_view text, std::int64_t minimum,
                                                 std::int64_t maximum) {
    std::size_t position = 0;
    return readInteger(text, position, minimum, maximum, OutOfRange::Saturates);
}

}  // namespace quoll

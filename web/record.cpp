#include "web/record.hpp"

#include <charconv>

namespace quoll::web {
namespace {

// A whole line of decimal digits as a number, or nothing.
std::optional<int> number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::string recordText(const std::vector<Move>& moves) {
    std::string text = "Piskvorky 15x15, 0:0, 0\n";
    for (const Move& move : moves)
        text += std::to_string(move.cell % tools::kSide + 1) + "," +
                std::to_string(move.cell / tools::kSide + 1) + "," +
                std::to_string(move.thinkingMs) + "\n";
    return text + "-1\n";
}

std::optional<std::vector<Move>> readRecord(std::string_view text) {
    std::vector<Move> moves;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (line == "-1") break;
        // A move is "x,y,ms" (or "x,y"); anything else is a line the game does not need.
        const std::size_t first = line.find(',');
        if (first == std::string_view::npos) continue;
        const std::size_t second = line.find(',', first + 1);
        const std::optional<int> x = number(line.substr(0, first));
        const std::optional<int> y = number(line.substr(first + 1, second - first - 1));
        if (!x || !y) continue;
        const std::string_view time =
            second == std::string_view::npos ? "0" : line.substr(second + 1);
        if (!allDigits(time)) continue;
        if (*x < 1 || *x > tools::kSide || *y < 1 || *y > tools::kSide) return std::nullopt;
        moves.push_back(
            {.cell = (*y - 1) * tools::kSide + *x - 1, .thinkingMs = number(time).value_or(0)});
    }
    return moves;
}

}  // namespace quoll::web

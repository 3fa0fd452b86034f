#include "protocol/replies.hpp"

#include <fmt/format.h>

#include "board/types.hpp"

namespace quoll {

std::FILE* replyStream = nullptr;

void writeLine(std::string_view text) {
    std::FILE* stream = replyStream != nullptr ? replyStream : stdout;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void writeMessage(std::string_view text) { writeLine(fmt::format("MESSAGE {}\n", text)); }

void writeError(std::string_view text) { writeLine(fmt::format("ERROR {}\n", text)); }

std::string cellText(std::int16_t cell) {
    if (cell == static_cast<std::int16_t>(kNoCell)) return "Invalid";
    if (cell >= 0 && cell < kCellCount)
        return fmt::format("{},{}", cellColumn(static_cast<Cell>(cell)),
                           cellRow(static_cast<Cell>(cell)));
    return fmt::format("{}", cell);
}

}  // namespace quoll

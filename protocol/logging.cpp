#include "protocol/logging.hpp"

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <string>

namespace quoll {

void switchLoggingOff() {
    auto logger =
        std::make_shared<spdlog::logger>("", std::make_shared<spdlog::sinks::stderr_sink_mt>());
    spdlog::set_default_logger(std::move(logger));
    spdlog::apply_all(
        [](const std::shared_ptr<spdlog::logger>& each) { each->set_level(spdlog::level::off); });
    spdlog::set_level(spdlog::level::off);
}

void logBoard(const GameRecord& record) {
    if (!spdlog::should_log(spdlog::level::info)) return;
    spdlog::info("Board state:");
    spdlog::info("Me: {} {}", unsigned{kOwnStone}, unsigned{kOwnStone});
    spdlog::info("Opponent: {} {}", unsigned{kOpponentStone}, unsigned{kOpponentStone});
    spdlog::info("Black: {}", unsigned{record.firstColour});
    spdlog::info("Current: {}", unsigned{record.colourToMove});
    for (int row = 0; row < kBoardSize; ++row) {
        std::string text(kBoardSize, '.');
        for (int column = 0; column < kBoardSize; ++column) {
            const std::uint8_t stone = record.board[makeCell(row, column)];
            if (stone != kEmpty) text[column] = stone == kOwnStone ? 'X' : 'O';
        }
        spdlog::info("{}", text);
    }
}

}  // namespace quoll

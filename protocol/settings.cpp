#include "protocol/settings.hpp"

#include <spdlog/spdlog.h>

#include "platform/path.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"

namespace quoll {

GameSettings gameSettings;

namespace {

template <typename Int>
Int integerOrZero(std::string_view value) {
    return scanLeadingInteger<Int>(value).value_or(0);
}

}  // namespace

void applyInfo(std::string_view key, std::string_view value) {
    if (key == "TIMEOUT_TURN") {
        gameSettings.timeoutTurn = integerOrZero<std::int32_t>(value);
    } else if (key == "TIMEOUT_MATCH") {
        gameSettings.timeoutMatch = integerOrZero<std::int32_t>(value);
    } else if (key == "TIME_LEFT") {
        gameSettings.timeLeft = integerOrZero<std::int32_t>(value);
    } else if (key == "MAX_MEMORY" || key == "HASH_SIZE") {
        gameSettings.maxMemory = static_cast<std::uint64_t>(integerOrZero<std::int64_t>(value));
    } else if (key == "GAME_TYPE") {
        gameSettings.gameType = integerOrZero<std::int32_t>(value);
    } else if (key == "RULE") {
        gameSettings.rule = integerOrZero<std::int32_t>(value);
    } else if (key == "FOLDER") {
        gameSettings.folder = toWidePath(value);
    } else {
        spdlog::warn("Unknown info key \"{}\" (value {})", key, value);
    }
}

void handleInfo(const std::string& line) {
    std::string key;
    std::string value;
    if (!scan(line, "INFO {} {}", key, value)) {
        writeError("Invalid syntax");
        return;
    }
    applyInfo(key, value);
}

}  // namespace quoll

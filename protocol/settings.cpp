#include "protocol/settings.hpp"

#include <spdlog/spdlog.h>

#include <limits>

#include "platform/path.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"

namespace quoll {

GameSettings gameSettings;

namespace {

// A number too large for the setting (a limit typed into a GUI, say) is taken as the largest
// the setting holds, and a too negative one as the smallest; text that is no number gives 0.
template <typename Int>
Int integerOrZero(std::string_view value) {
    const auto number = scanSaturatedInteger(value, std::numeric_limits<Int>::min(),
                                             std::numeric_limits<Int>::max());
    return static_cast<Int>(number.value_or(0));
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
    } else if (key == "SHOW_DETAIL") {
        gameSettings.showDetail = integerOrZero<std::int32_t>(value);
    } else if (key == "MAX_DEPTH") {
        gameSettings.maxDepth = integerOrZero<std::int32_t>(value);
    } else if (key == "MAX_NODE") {
        gameSettings.maxNodes = integerOrZero<std::int64_t>(value);
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

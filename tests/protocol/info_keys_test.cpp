// Each INFO key stores its value in its own setting and touches no other; an unknown key none.

#include <gtest/gtest.h>

#include "protocol/logging.hpp"
#include "protocol/settings.hpp"

namespace quoll {
namespace {

TEST(InfoKeys, EachKeySetsItsOwnSettingOnly) {
    switchLoggingOff();
    const auto fields = [](const GameSettings& s) {
        return std::make_tuple(s.timeoutTurn, s.timeoutMatch, s.timeLeft, s.maxMemory, s.gameType,
                               s.rule, s.folder);
    };
    struct Row {
        const char* key;
        std::tuple<std::int64_t, std::int64_t, std::int64_t, std::uint64_t, std::int32_t,
                   std::int32_t, std::wstring>
            expected;
    };
    const Row rows[] = {
        {"TIMEOUT_TURN", {7, 120000, 120000, 350000000, 0, 0, L""}},
        {"TIMEOUT_MATCH", {5000, 7, 120000, 350000000, 0, 0, L""}},
        {"TIME_LEFT", {5000, 120000, 7, 350000000, 0, 0, L""}},
        {"MAX_MEMORY", {5000, 120000, 120000, 7, 0, 0, L""}},
        {"HASH_SIZE", {5000, 120000, 120000, 7, 0, 0, L""}},
        {"GAME_TYPE", {5000, 120000, 120000, 350000000, 7, 0, L""}},
        {"RULE", {5000, 120000, 120000, 350000000, 0, 7, L""}},
        {"FOLDER", {5000, 120000, 120000, 350000000, 0, 0, L"7"}},
        {"EVALUATE", {5000, 120000, 120000, 350000000, 0, 0, L""}},
    };
    for (const Row& row : rows) {
        gameSettings = GameSettings{};
        applyInfo(row.key, "7");
        EXPECT_TRUE(fields(gameSettings) == row.expected) << row.key;
    }
    gameSettings = GameSettings{};
}

}  // namespace
}  // namespace quoll

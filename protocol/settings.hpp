#pragma once
// The manager's settings, set by INFO and read by START and the think step.

#include <cstdint>
#include <string>
#include <string_view>

namespace quoll {

inline constexpr std::uint64_t kDefaultMaxMemory = 350000000;

struct GameSettings {
    std::int64_t timeoutTurn = 5000;  // milliseconds per move
    std::int64_t timeoutMatch = 120000;
    std::int64_t timeLeft = 120000;  // milliseconds left in the match
    // Bytes the whole process may take; 0 means no limit, which gives the default table.
    // Scanned as signed and used as unsigned, so a negative value asks for a huge table; the
    // table sizing caps it.
    std::uint64_t maxMemory = kDefaultMaxMemory;
    std::int32_t gameType = 0;
    std::int32_t rule = 0;
    std::wstring folder;
    // Opt-in keys of managers and analysis boards; their defaults change nothing.
    std::int32_t showDetail = 0;  // not 0: a MESSAGE line on the search after each iteration
    std::int32_t maxDepth = 0;    // plies; the deepening ends after that iteration; <= 0: none
    std::int64_t maxNodes = 0;    // the search stops after that many nodes; <= 0: none
};
extern GameSettings gameSettings;

// Stores one INFO value under its key (both upper case). A numeric value is read as an integer
// of the key's width, saturating at its bounds; one that does not begin with an integer stores
// 0. An unknown key is only logged.
void applyInfo(std::string_view key, std::string_view value);

// "INFO <key> <value>"; answers only a line without both words.
void handleInfo(const std::string& line);

}  // namespace quoll

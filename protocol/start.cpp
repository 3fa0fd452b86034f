#include "protocol/start.hpp"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <algorithm>

#include "platform/memory.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"
#include "protocol/settings.hpp"
#include "tree/table.hpp"

namespace quoll {

std::uint64_t tableBudgetBytes(std::uint64_t maxMemory, std::uint64_t physicalBytes) {
    const std::uint64_t limit = maxMemory == 0 ? kDefaultMaxMemory : maxMemory;
    const std::uint64_t budget = limit > kRestOfProcessBytes ? limit - kRestOfProcessBytes : 0;
    if (physicalBytes == 0) return budget;
    return std::min(budget, physicalBytes / 2);
}

void fitTableToMemoryLimit() {
    const std::uint64_t budget = tableBudgetBytes(gameSettings.maxMemory, physicalMemoryBytes());
    resizeTable(engineState.table, tableEntryCount(budget));
}

void handleStart(ProtocolState& state, const std::string& line) {
    std::int16_t size = 0;
    if (!scan(line, "START {} {}", size, size) && !scan(line, "START {}", size)) {
        writeError("Invalid syntax");
        return;
    }
    if (size != kBoardSize) {
        writeError(
            fmt::format("Unsupported size of board {}. This version only supports board size {}",
                        size, kBoardSize));
        return;
    }
    fitTableToMemoryLimit();
    // A new game: the previous game's stones must not make BEGIN or the colours go wrong.
    state.record = GameRecord{};
    state.mode = ProtocolMode::Playing;
    spdlog::info("Init successful");
    writeLine("OK\n");
}

}  // namespace quoll

#include "protocol/dispatcher.hpp"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <array>
#include <string_view>

#include "protocol/about.hpp"
#include "protocol/board_command.hpp"
#include "protocol/line_reader.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"
#include "protocol/settings.hpp"
#include "protocol/start.hpp"
#include "protocol/turn.hpp"

namespace quoll {

namespace {

void handleEnd(ProtocolState& state) {
    spdlog::info("Terminating...");
    state.mode = ProtocolMode::Terminating;
}

struct Command {
    std::string_view word;
    void (*handler)(ProtocolState& state, const std::string& line);
};

// Which mode accepts a command is the handler's business, not the table's.
constexpr std::array<Command, 8> kCommands = {{
    {"START", [](ProtocolState& state, const std::string& line) { handleStart(state, line); }},
    {"TURN", [](ProtocolState& state, const std::string& line) { handleTurn(state, line); }},
    {"BEGIN", [](ProtocolState& state, const std::string&) { handleBegin(state); }},
    {"ABOUT", [](ProtocolState&, const std::string&) { writeAbout(); }},
    {"BOARD", [](ProtocolState& state, const std::string&) { handleBoard(state); }},
    {"END", [](ProtocolState& state, const std::string&) { handleEnd(state); }},
    {"INFO", [](ProtocolState&, const std::string& line) { handleInfo(line); }},
    {"CONFIG", [](ProtocolState&, const std::string&) {}},
}};

}  // namespace

void dispatchLine(ProtocolState& state, std::string line) {
    toUpperAscii(line);
    spdlog::info("Received command \"{}\"", line);
    std::string word;
    if (!scan(line, "{}", word)) return;  // empty or blank line
    for (const Command& command : kCommands) {
        if (command.word == word) {
            command.handler(state, line);
            return;
        }
    }
    writeError(fmt::format("Unknown command \"{}\"", word));
}

void handleCommand(ProtocolState& state) {
    std::optional<std::string> line = readCommandLine();
    if (!line) {
        // The manager has gone without END: stop as END would rather than read on.
        handleEnd(state);
        return;
    }
    dispatchLine(state, std::move(*line));
}

}  // namespace quoll

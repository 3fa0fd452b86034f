#pragma once
// Lines a manager should not send, each with the exact replies the engine must give (none: the
// line is ignored). None changes the game or the move budget, so they may come at any point of
// a game: the end-to-end tests send each once, the long session draws them between moves.

#include <string>
#include <string_view>
#include <vector>

#include "support/engine_client.hpp"

namespace quoll::test {

using namespace std::string_literals;

struct OddLine {
    std::string bytes;  // without the final line feed
    std::vector<std::string> replies;
};

inline std::string unknownCommand(std::string_view word) {
    return "ERROR Unknown command \"" + std::string(word) + "\"";
}
inline std::string unsupportedSize(std::string_view size) {
    return "ERROR Unsupported size of board " + std::string(size) +
           ". This version only supports board size 15";
}
inline const std::string kSyntaxError = "ERROR Invalid syntax";
inline const std::string kCoordinatesError = "ERROR Invalid coordinates";
inline const std::string kModeError = "ERROR This command cannot be used in current mode";

inline constexpr std::size_t kMegabyte = 1 << 20;

// For a game under way (BEGIN is refused once a stone is down).
inline const std::vector<OddLine> kOddLines = {
    // The first word is quoted upper-cased: only a to z change, other bytes pass through.
    {"restart", {unknownCommand("RESTART")}},
    {"Foo bar baz", {unknownCommand("FOO")}},
    {"  \tdone  ", {unknownCommand("DONE")}},
    {"\0"s, {unknownCommand("\0"s)}},
    {"TU\0RN 3,3"s, {unknownCommand("TU\0RN"s)}},
    {"\xC3\xA9t\xFFz \xE4", {unknownCommand("\xC3\xA9T\xFFZ")}},
    // Ctrl-Z is an ordinary byte, not the end of the input (as it would be in Windows text mode).
    {"\x1A", {unknownCommand("\x1A")}},
    {"\x1Aturn 3,3", {unknownCommand("\x1ATURN")}},
    // Blank lines, CONFIG and unknown INFO keys are ignored.
    {"", {}},
    {" \t \x0b\x0c ", {}},
    {"\r", {}},
    {"CONFIG anything at all", {}},
    {"config", {}},
    {"INFO EVALUATE 7,7", {}},
    {"INFO TIME_LEFT 2147483647", {}},
    {"INFO", {kSyntaxError}},
    {"INFO TIMEOUT_TURN", {kSyntaxError}},
    // START: the last of two numbers is the size; no number, or one beyond 16 bits, is no size.
    {"START", {kSyntaxError}},
    {"START   ", {kSyntaxError}},
    {"START X", {kSyntaxError}},
    {"START 32768", {kSyntaxError}},
    {"START 16", {unsupportedSize("16")}},
    {"START 15 20", {unsupportedSize("20")}},
    {"START -3", {unsupportedSize("-3")}},
    {"TURN", {kSyntaxError}},
    {"TURN 7 7", {kSyntaxError}},
    {"turn ,", {kSyntaxError}},
    {"TURN 7,99999", {kSyntaxError}},
    {"TURN 99999999999,3", {kSyntaxError}},
    {"TURN 3,\0"s, {kSyntaxError}},
    // 15,0 would be cell 15 (the second row) if only the cell number were tested.
    {"TURN -1,0", {kCoordinatesError}},
    {"TURN 0,-1", {kCoordinatesError}},
    {"TURN 15,0", {kCoordinatesError}},
    {"TURN 0,15", {kCoordinatesError}},
    {"TURN 14,15", {kCoordinatesError}},
    {"TURN -32768,32767", {kCoordinatesError}},
    {"BEGIN", {kModeError}},
};

inline std::vector<OddLine> megabyteLines() {
    return {{std::string(kMegabyte, 'q'), {unknownCommand(std::string(kMegabyte, 'Q'))}},
            {std::string(kMegabyte, ' '), {}},
            {"TURN " + std::string(kMegabyte, '7') + ",1", {kSyntaxError}},
            {"INFO FOLDER /" + std::string(kMegabyte, 'd'), {}}};
}

// Sends the line and checks its replies; a line that must be ignored is followed by a probe.
inline ::testing::AssertionResult sendOddLine(EngineClient& engine, const OddLine& line) {
    if (!engine.sendRaw(line.bytes + "\n"))
        return ::testing::AssertionFailure() << "could not send";
    for (const std::string& reply : line.replies)
        if (::testing::AssertionResult result = engine.expectLine(reply); !result)
            return result << " after a line of " << line.bytes.size() << " bytes";
    if (!line.replies.empty()) return ::testing::AssertionSuccess();
    return engine.answeredAll() << " after a line of " << line.bytes.size() << " bytes";
}

}  // namespace quoll::test

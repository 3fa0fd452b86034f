// libFuzzer target: arbitrary bytes as command lines through the real dispatcher, in process.
//
// Every input starts a fresh protocol session; the process-wide transposition table carries
// over between inputs as it does between games. Searches are held to a couple of milliseconds
// and the table to a small size, so the time goes into the command handling, the BOARD reader
// and the root's forced-move rules rather than into deep searches or huge allocations.
// After every line the engine and the game record are checked, and at the end of the input
// every reply line must be one the engine is allowed to write.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "board/state.hpp"
#include "protocol/dispatcher.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/logging.hpp"
#include "protocol/protocol_state.hpp"
#include "protocol/settings.hpp"
#include "protocol/start.hpp"
#include "search/timer.hpp"
#include "testkit/captured_io.hpp"
#include "testkit/detail_line.hpp"
#include "tree/table.hpp"

namespace {

using namespace quoll;

// Longest move budget an input may ask for: after the reply reserve, about 2 ms of search.
constexpr std::int64_t kFuzzBudgetMs = 6;
constexpr std::uint64_t kFuzzTableBytes = 1 << 20;  // largest table START may build here

[[noreturn]] void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "invariant broken: %s [%.*s]\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

// INFO may ask for anything; what it asked for reaches the engine, bounded from above. The
// memory limit is the whole process's, and 0 is no limit at all.
void boundSettings() {
    constexpr std::uint64_t kLargestLimit = kRestOfProcessBytes + kFuzzTableBytes;
    gameSettings.timeoutTurn = std::min(gameSettings.timeoutTurn, kFuzzBudgetMs);
    if (gameSettings.maxMemory == 0 || gameSettings.maxMemory > kLargestLimit)
        gameSettings.maxMemory = kLargestLimit;
}

// 0 to 14 in plain decimal, as the engine writes a move.
bool isCoordinate(std::string_view text) {
    if (text.size() == 1) return text[0] >= '0' && text[0] <= '9';
    return text.size() == 2 && text[0] == '1' && text[1] >= '0' && text[1] <= '4';
}

bool isMoveReply(std::string_view line) {
    const std::size_t comma = line.find(',');
    return comma != std::string_view::npos && isCoordinate(line.substr(0, comma)) &&
           isCoordinate(line.substr(comma + 1));
}

// The unknown word and the refused size are quoted from the line: the transcript test checks
// their exact forms, this only that 15 is never refused.
bool isErrorText(std::string_view text) {
    for (const std::string_view fixed :
         {"Invalid syntax", "This command cannot be used in current mode", "Invalid coordinates",
          "Invalid coordinates or player", "Invalid position"})
        if (text == fixed) return true;
    constexpr std::string_view unknownHead = "Unknown command \"";
    if (text.starts_with(unknownHead) && text.ends_with('"') &&
        text.size() > unknownHead.size() + 1)
        return true;
    constexpr std::string_view sizeHead = "Unsupported size of board ";
    constexpr std::string_view sizeTail = ". This version only supports board size 15";
    return text.starts_with(sizeHead) && text.ends_with(sizeTail) &&
           text.substr(sizeHead.size(), text.size() - sizeHead.size() - sizeTail.size()) != "15";
}

// Detail lines are allowed once an INFO SHOW_DETAIL has turned them on.
void checkReplies(std::string_view output, bool detailsAsked) {
    if (!output.empty() && output.back() != '\n') fail("reply without its line feed", output);
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        const std::string_view line = output.substr(0, end);
        output.remove_prefix(end + 1);
        // ABOUT's fixed text is checked in full by the transcript test.
        if (line == "OK" || isMoveReply(line) || line.starts_with("name=\"Quoll\", ")) continue;
        if (line.starts_with("ERROR ") && isErrorText(line.substr(6))) continue;
        if (detailsAsked && parseDetailLine(std::string(line))) continue;
        fail("reply of no allowed form", line);
    }
}

// Every stone has exactly one entry in the move list, and the colours are players.
void checkRecord(const ProtocolState& state) {
    const GameRecord& record = state.record;
    for (const std::uint8_t colour : {record.firstColour, record.colourToMove})
        if (colour != kOwnStone && colour != kOpponentStone) fail("record colour");
    std::vector<int> listed(kCellCount, 0);
    for (const Cell cell : record.moves) {
        if (cell >= kCellCount) fail("move off the board");
        if (++listed[cell] > 1) fail("cell listed twice in the moves");
        if (record.board[cell] == kEmpty) fail("listed move on an empty cell");
    }
    for (int c = 0; c < kCellCount; ++c) {
        const std::uint8_t stone = record.board[c];
        if (stone != kEmpty && stone != kOwnStone && stone != kOpponentStone) fail("stone value");
        if (stone != kEmpty && listed[c] == 0) fail("stone without its move");
    }
}

// The engine's codes match its board, and the search left the board as it was loaded: the
// record holds the same stones, plus the engine's answer when one was written.
void checkEngineAfterThink(const ProtocolState& state) {
    WindowCodes rebuilt;
    rebuildWindowCodes(engineState.board, rebuilt);
    if (rebuilt != engineState.windowCodes) fail("window codes differ from the board");

    const GameRecord& record = state.record;
    const std::size_t loaded = engineState.history.size();
    if (record.moves.size() != loaded && record.moves.size() != loaded + 1)
        fail("record and engine differ by more than the answer");
    if (!std::equal(engineState.history.begin(), engineState.history.end(), record.moves.begin()))
        fail("engine history is not the record's move list");
    Board expected = record.board;
    if (record.moves.size() == loaded + 1) {
        expected[record.moves.back()] = kEmpty;
        if (record.unavailable[record.moves.back()]) fail("answer on a cell a refused row named");
    } else {
        // No move written although a cell was free to answer: the game would be forfeited.
        for (int cell = 0; cell < kCellCount; ++cell)
            if (record.board[cell] == kEmpty && !record.unavailable[cell])
                fail("think step without an answer on a board with a free cell");
    }
    if (expected != engineState.board) fail("search did not restore the board");
}

void handleInput(std::string_view bytes) {
    // A fresh session and settings; the table stays from earlier inputs.
    ProtocolState state;
    gameSettings = GameSettings{};
    boundSettings();
    engineState.board = Board{};
    engineState.history.clear();
    rebuildWindowCodes(engineState);

    CapturedIo io(bytes);
    bool detailsAsked = false;
    while (state.mode != ProtocolMode::Terminating) {
        const std::int64_t thinkMarker = searchTimer.searchStartNs;
        handleCommand(state);
        boundSettings();
        detailsAsked = detailsAsked || gameSettings.showDetail != 0;
        checkRecord(state);
        if (searchTimer.searchStartNs != thinkMarker) checkEngineAfterThink(state);
    }
    checkReplies(io.output(), detailsAsked);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    switchLoggingOff();
    resizeTable(engineState.table, tableEntryCount(kFuzzTableBytes));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    handleInput(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}

#include "protocol/board_command.hpp"

#include <algorithm>

#include "platform/clock.hpp"
#include "protocol/line_reader.hpp"
#include "protocol/logging.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"
#include "protocol/think.hpp"

namespace quoll {

namespace {

void swapStoneColours(Board& board) {
    for (std::uint8_t& stone : board)
        if (stone != kEmpty) stone = otherPlayer(stone);
}

// Every stone and both colours turned over, so that the latest row stays the opponent's.
void turnRecordOver(GameRecord& record) {
    swapStoneColours(record.board);
    record.firstColour = otherPlayer(record.firstColour);
    record.colourToMove = otherPlayer(record.colourToMove);
}

// The engine moves next; the counts decide who moved first.
void finishRecord(GameRecord& record) {
    record.colourToMove = kOwnStone;
    const auto own = std::count(record.board.begin(), record.board.end(), kOwnStone);
    const auto opponent = std::count(record.board.begin(), record.board.end(), kOpponentStone);
    if (own == opponent) record.firstColour = kOwnStone;
    else if (own == opponent - 1) record.firstColour = kOpponentStone;
    else writeError("Invalid position");
}

void placeRow(GameRecord& record, Cell cell, std::uint8_t player) {
    record.board[cell] = player;
    record.colourToMove = otherPlayer(player);
    record.moves.push_back(cell);
}

// A refused row that names a cell of the board: the manager may hold a stone there that the
// engine does not know (player 3 marks stones of a won line or forbidden ones), so the engine
// must never answer that cell.
void refuseCell(GameRecord& record, int x, int y) {
    writeError("Invalid coordinates or player");
    if (isBoardCoordinate(x, y)) record.unavailable[makeCell(y, x)] = true;
}

// Reads one row into the record; a refused row is answered with its error and changes nothing
// but the unavailable cells.
void readRow(GameRecord& record, bool& ownerSeen, const std::string& line) {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int32_t player = 0;
    if (scan(line, "{},{},{}", x, y, player)) {
        if (!isBoardCoordinate(x, y) || record.board[makeCell(y, x)] != kEmpty ||
            (player != kOwnStone && player != kOpponentStone)) {
            refuseCell(record, x, y);
            return;
        }
        if (!ownerSeen) {
            // So far the latest row was the opponent's; this row fixes the earlier colours
            // by alternation.
            turnRecordOver(record);
            if (player != record.colourToMove) {
                swapStoneColours(record.board);
                record.firstColour = otherPlayer(record.firstColour);
            }
        }
        ownerSeen = true;
        placeRow(record, makeCell(y, x), static_cast<std::uint8_t>(player));
        return;
    }
    if (!scan(line, "{},{}", x, y)) {
        writeError("Invalid syntax");
        return;
    }
    if (!isBoardCoordinate(x, y) || record.board[makeCell(y, x)] != kEmpty) {
        refuseCell(record, x, y);
        return;
    }
    if (!ownerSeen) {
        // Keep the row just read as the opponent's: turn every earlier stone over.
        turnRecordOver(record);
    }
    placeRow(record, makeCell(y, x), record.colourToMove);
}

}  // namespace

GameRecord readBoardRows() {
    GameRecord record;
    bool ownerSeen = false;
    for (;;) {
        std::optional<std::string> line = readCommandLine();
        // An input that ends inside the block closes it as DONE would.
        if (!line) break;
        toUpperAscii(*line);
        if (*line == "DONE") break;
        // A refused row is skipped: the manager takes the one answer to the block as the
        // answer to its whole position, so reading goes on to DONE.
        readRow(record, ownerSeen, *line);
    }
    finishRecord(record);
    return record;
}

void handleBoard(ProtocolState& state) {
    const std::int64_t readNs = monotonicNowNs();
    if (state.mode != ProtocolMode::Playing) {
        writeError("This command cannot be used in current mode");
        return;
    }
    state.record = readBoardRows();
    logBoard(state.record);
    thinkAndReply(state, readNs);
}

}  // namespace quoll

// The BOARD block: rows read through the line reader, colours, errors and the board dump.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "in_process.hpp"
#include "protocol/board_command.hpp"
#include "protocol/logging.hpp"

namespace quoll {
namespace {

using Stones = std::vector<std::pair<Cell, int>>;  // (cell, stone) in the order of the moves

struct RowsRead {
    GameRecord record;
    std::string output;  // errors written while reading
    bool inputLeft;      // lines after the block stay unread
};

RowsRead readRows(const std::string& input) {
    test::CapturedIo io(input);
    RowsRead result{readBoardRows(), "", false};
    result.output = io.output();
    result.inputLeft = io.inputLeft();
    return result;
}

Cell at(int x, int y) {
    return makeCell(y, x);
}

// Checks the record holds exactly `stones`, in move order, with the engine to move.
void expectRecord(const RowsRead& read, const Stones& stones, std::uint8_t firstColour) {
    Stones inOrder;
    for (const Cell cell : read.record.moves) inOrder.emplace_back(cell, read.record.board[cell]);
    EXPECT_EQ(inOrder, stones);
    EXPECT_EQ(std::count_if(read.record.board.begin(), read.record.board.end(),
                            [](std::uint8_t stone) { return stone != kEmpty; }),
              static_cast<long>(stones.size()));
    if (firstColour != kEmpty) {
        EXPECT_EQ(read.record.firstColour, firstColour);
    }
    EXPECT_EQ(read.record.colourToMove, kOwnStone);
}

struct RowsCase {
    std::string block;   // the rows and the closing line; more input follows
    std::string errors;  // written while reading
    Stones stones;
    std::uint8_t firstColour;  // kEmpty where the counts fit no first mover
};

TEST(BoardRows, ColoursAndErrorsOfWholeBlocks) {
    const std::string kPosition = "ERROR Invalid position\n";
    const std::vector<RowsCase> cases = {
        {"DONE\n", "", {}, kOwnStone},
        {"7,7,2\ndone\n", "", {{kCentreCell, 2}}, kOpponentStone},
        // A third field that is no number makes a row without player.
        {"7,7,X\nDONE\n", "", {{kCentreCell, 2}}, kOpponentStone},
        // Rows without players end with the opponent and alternate backwards.
        {"7,7\n8,8\n9,9\nDONE\n", "", {{at(7, 7), 2}, {at(8, 8), 1}, {at(9, 9), 2}}, kOpponentStone},
        // The first row with a player fixes the earlier rows.
        {"7,7\n8,8\n9,9,1\nDONE\n", kPosition, {{at(7, 7), 1}, {at(8, 8), 2}, {at(9, 9), 1}}, kEmpty},
        // After a named row, rows without a player keep alternating from it; with equal counts
        // and the engine to move, the engine moved first whatever the rows said.
        {"7,7,2\n8,8\n9,9\n10,10\nDONE\n", "",
         {{at(7, 7), 2}, {at(8, 8), 1}, {at(9, 9), 2}, {at(10, 10), 1}}, kOwnStone},
        {"7,7,1\n8,8,1\nDONE\n", kPosition, {{at(7, 7), 1}, {at(8, 8), 1}}, kEmpty},
        // The usual manager block: every row with its player, the opponent moved first.
        {"7,7,2\n7,8,1\n8,8,2\n9,9,1\n6,6,2\nDONE\n", "",
         {{at(7, 7), 2}, {at(7, 8), 1}, {at(8, 8), 2}, {at(9, 9), 1}, {at(6, 6), 2}}, kOpponentStone},
        // Lines are upper-cased and carriage returns dropped.
        {"7,7,2\r\n8,8,1\r\ndone\r\n", "", {{at(7, 7), 2}, {at(8, 8), 1}}, kOwnStone},
    };
    for (const RowsCase& c : cases) {
        SCOPED_TRACE(c.block);
        const RowsRead read = readRows(c.block + "NEXT\n");
        EXPECT_EQ(read.output, c.errors);
        EXPECT_TRUE(read.inputLeft);
        expectRecord(read, c.stones, c.firstColour);
    }
}

// A refused row is skipped and the block read on to DONE; a board cell it names becomes
// unavailable.
TEST(BoardRows, RefusedRowIsSkippedAndTheBlockReadOn) {
    const std::string kRowError = "ERROR Invalid coordinates or player\n";
    const int kNone = -1;
    for (const auto& [row, error, named] : std::vector<std::tuple<std::string, std::string, int>>{
             {"7,7,3", kRowError, at(7, 7)}, {"7,7,0", kRowError, at(7, 7)},
             {"15,0,1", kRowError, kNone}, {"0,15", kRowError, kNone}, {"-1,0", kRowError, kNone},
             {"3,3", kRowError, at(3, 3)}, {"3,3,2", kRowError, at(3, 3)},
             {"DONE ", "ERROR Invalid syntax\n", kNone}}) {
        SCOPED_TRACE(row);
        const RowsRead read = readRows("3,3\n" + row + "\n8,8,1\nDONE\nNEXT\n");
        EXPECT_EQ(read.output, error);
        EXPECT_TRUE(read.inputLeft);
        // Regression: a refused row turned 3,3 into the engine's stone. It changes no colour.
        expectRecord(read, {{at(3, 3), 2}, {at(8, 8), 1}}, kOwnStone);
        for (int cell = 0; cell < kCellCount; ++cell)
            EXPECT_EQ(read.record.unavailable[cell], cell == named) << cell;
    }
}

TEST(BoardRows, EndOfInputClosesTheBlockAsDoneWould) {
    const RowsRead read = readRows("7,7\n8,8,1\n9,9");
    EXPECT_EQ(read.output, "");
    expectRecord(read, {{at(7, 7), 2}, {at(8, 8), 1}, {at(9, 9), 2}}, kOpponentStone);
    EXPECT_EQ(readRows("7,7,1\n8,8,1\n").output, "ERROR Invalid position\n");
}

TEST(BoardDump, HeaderThenOneLinePerRow) {
    GameRecord record;
    record.board[kCentreCell] = kOpponentStone;
    record.board[at(0, 0)] = kOwnStone;
    record.board[at(14, 14)] = kOpponentStone;
    record.firstColour = kOpponentStone;
    record.colourToMove = kOwnStone;
    std::vector<std::string> lines;
    {
        test::CapturedLog log;
        logBoard(record);
        lines = log.lines();
    }
    std::vector<std::string> expected = {"Board state:", "Me: 1 1",    "Opponent: 2 2",
                                         "Black: 2",     "Current: 1", "X.............."};
    for (int row = 1; row < 14; ++row) expected.push_back(std::string(15, '.'));
    expected[5 + 7] = ".......O.......";
    expected.push_back("..............O");
    EXPECT_EQ(lines, expected);
}

TEST(BoardDump, BoardCommandLogsTheRecordItReads) {
    ProtocolState state;
    state.mode = ProtocolMode::Playing;
    test::resetProcessRecords();
    gameSettings.timeoutTurn = 100;  // the answer's search is not what this test is about
    std::vector<std::string> lines;
    std::string output;
    {
        test::CapturedLog log;
        output = test::runLines(state, "BOARD\n7,7,2\nDONE\n");
        lines = log.lines();
    }
    // The rows themselves are not logged one by one; the dump stands for them.
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Received command \"BOARD\"");
    EXPECT_EQ(lines[4], "Black: 2");
    EXPECT_EQ(lines[5], "Current: 1");
    EXPECT_EQ(lines[6 + 7], ".......O.......");
    EXPECT_NE(output, "");
    test::resetProcessRecords();
}

}  // namespace
}  // namespace quoll

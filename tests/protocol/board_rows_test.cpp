// The BOARD block: rows read through the line reader, colours, errors and the board dump.

#include <gtest/gtest.h>

#include <vector>

#include "in_process.hpp"
#include "protocol/board_command.hpp"
#include "protocol/logging.hpp"

namespace quoll {
namespace {

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

// The stones of a record as (cell, stone) in the order of its move list.
std::vector<std::pair<Cell, int>> stonesInOrder(const GameRecord& record) {
    std::vector<std::pair<Cell, int>> stones;
    for (const Cell cell : record.moves) stones.emplace_back(cell, record.board[cell]);
    return stones;
}

int stoneCount(const GameRecord& record) {
    return static_cast<int>(std::count_if(record.board.begin(), record.board.end(),
                                          [](std::uint8_t stone) { return stone != kEmpty; }));
}

TEST(BoardRows, EmptyBlockGivesAnEmptyRecordWithTheEngineFirst) {
    const RowsRead read = readRows("DONE\nNEXT\n");
    EXPECT_EQ(read.output, "");
    EXPECT_TRUE(read.record.moves.empty());
    EXPECT_EQ(stoneCount(read.record), 0);
    EXPECT_EQ(read.record.firstColour, kOwnStone);
    EXPECT_EQ(read.record.colourToMove, kOwnStone);
    EXPECT_TRUE(read.inputLeft);
}

TEST(BoardRows, OneOpponentRow) {
    const RowsRead read = readRows("7,7,2\ndone\n");
    EXPECT_EQ(read.output, "");
    EXPECT_EQ(stonesInOrder(read.record), (std::vector<std::pair<Cell, int>>{{kCentreCell, 2}}));
    EXPECT_EQ(read.record.firstColour, kOpponentStone);
    EXPECT_EQ(read.record.colourToMove, kOwnStone);
}

TEST(BoardRows, RowsWithoutPlayersEndWithTheOpponentAndAlternateBackwards) {
    const RowsRead read = readRows("7,7\n8,8\n9,9\nDONE\n");
    EXPECT_EQ(read.output, "");
    EXPECT_EQ(stonesInOrder(read.record),
              (std::vector<std::pair<Cell, int>>{{at(7, 7), 2}, {at(8, 8), 1}, {at(9, 9), 2}}));
    EXPECT_EQ(read.record.firstColour, kOpponentStone);
    EXPECT_EQ(read.record.colourToMove, kOwnStone);
}

TEST(BoardRows, FirstRowWithAPlayerFixesTheEarlierRows) {
    const RowsRead read = readRows("7,7\n8,8\n9,9,1\nDONE\n");
    EXPECT_EQ(read.output, "ERROR Invalid position\n");
    EXPECT_EQ(stonesInOrder(read.record),
              (std::vector<std::pair<Cell, int>>{{at(7, 7), 1}, {at(8, 8), 2}, {at(9, 9), 1}}));
    EXPECT_EQ(read.record.colourToMove, kOwnStone);

    // After a named row, rows without a player keep alternating from it.
    const RowsRead later = readRows("7,7,2\n8,8\n9,9\n10,10\nDONE\n");
    EXPECT_EQ(later.output, "");
    EXPECT_EQ(stonesInOrder(later.record),
              (std::vector<std::pair<Cell, int>>{
                  {at(7, 7), 2}, {at(8, 8), 1}, {at(9, 9), 2}, {at(10, 10), 1}}));
    // Equal counts with the engine to move: the engine moved first, whatever the rows said.
    EXPECT_EQ(later.record.firstColour, kOwnStone);
}

TEST(BoardRows, CountsThatFitNoFirstMover) {
    const RowsRead read = readRows("7,7,1\n8,8,1\nDONE\n");
    EXPECT_EQ(read.output, "ERROR Invalid position\n");
    EXPECT_EQ(stoneCount(read.record), 2);
    EXPECT_EQ(read.record.colourToMove, kOwnStone);
}

TEST(BoardRows, AllRowsNamedTheManagersWay) {
    // The usual manager block: every row with its player, the opponent moved first.
    const RowsRead read = readRows("7,7,2\n7,8,1\n8,8,2\n9,9,1\n6,6,2\nDONE\n");
    EXPECT_EQ(read.output, "");
    EXPECT_EQ(read.record.firstColour, kOpponentStone);
    EXPECT_EQ(read.record.colourToMove, kOwnStone);
    EXPECT_EQ(read.record.board[at(7, 8)], kOwnStone);
    EXPECT_EQ(read.record.board[at(6, 6)], kOpponentStone);
    EXPECT_EQ(read.record.moves.size(), 5u);
}

TEST(BoardRows, AThirdFieldThatIsNoNumberMakesARowWithoutPlayer) {
    const RowsRead read = readRows("7,7,X\nDONE\n");
    EXPECT_EQ(read.output, "");
    EXPECT_EQ(stonesInOrder(read.record), (std::vector<std::pair<Cell, int>>{{kCentreCell, 2}}));
}

TEST(BoardRows, RefusedRowEndsTheBlockWithTheRowsBeforeIt) {
    for (const char* row : {"7,7,3", "7,7,0", "15,0,1", "0,15", "-1,0", "3,3", "3,3,2"}) {
        const RowsRead read = readRows(std::string("3,3\n") + row + "\n8,8,1\nDONE\n");
        EXPECT_EQ(read.output, "ERROR Invalid coordinates or player\n") << row;
        EXPECT_TRUE(read.inputLeft) << row;
        // Regression: the refused row turned 3,3 into the engine's stone and left the
        // opponent to move, so the engine's answer was recorded as an opponent stone.
        EXPECT_EQ(stonesInOrder(read.record), (std::vector<std::pair<Cell, int>>{{at(3, 3), 2}}))
            << row;
        EXPECT_EQ(read.record.firstColour, kOpponentStone) << row;
        EXPECT_EQ(read.record.colourToMove, kOwnStone) << row;
    }
    const RowsRead syntax = readRows("3,3\nDONE \n");
    EXPECT_EQ(syntax.output, "ERROR Invalid syntax\n");
    EXPECT_EQ(syntax.record.board[at(3, 3)], kOpponentStone);
}

TEST(BoardRows, EndOfInputClosesTheBlockAsDoneWould) {
    const RowsRead read = readRows("7,7\n8,8,1\n9,9");
    EXPECT_EQ(read.output, "");
    EXPECT_EQ(stonesInOrder(read.record),
              (std::vector<std::pair<Cell, int>>{{at(7, 7), 2}, {at(8, 8), 1}, {at(9, 9), 2}}));
    EXPECT_EQ(read.record.firstColour, kOpponentStone);
    EXPECT_EQ(read.record.colourToMove, kOwnStone);

    const RowsRead lopsided = readRows("7,7,1\n8,8,1\n");
    EXPECT_EQ(lopsided.output, "ERROR Invalid position\n");
}

TEST(BoardRows, LinesAreUpperCasedAndCarriageReturnsDropped) {
    const RowsRead read = readRows("7,7,2\r\n8,8,1\r\ndone\r\n");
    EXPECT_EQ(read.output, "");
    EXPECT_EQ(read.record.moves.size(), 2u);
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
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "Board state:");
    EXPECT_EQ(lines[1], "Me: 1 1");
    EXPECT_EQ(lines[2], "Opponent: 2 2");
    EXPECT_EQ(lines[3], "Black: 2");
    EXPECT_EQ(lines[4], "Current: 1");
    EXPECT_EQ(lines[5], "X..............");
    EXPECT_EQ(lines[5 + 7], ".......O.......");
    EXPECT_EQ(lines[5 + 14], "..............O");
    for (int row = 1; row < 14; ++row)
        if (row != 7) {
            EXPECT_EQ(lines[5 + row], std::string(15, '.')) << row;
        }
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

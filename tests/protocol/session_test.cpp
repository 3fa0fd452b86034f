// The dispatcher and the position commands in process: replies and the game record they leave.

#include <gtest/gtest.h>

#include <string>

#include "in_process.hpp"

namespace quoll {
namespace {

class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        test::resetProcessRecords();
        // A short move budget: these tests are about the replies, not the search behind them.
        ASSERT_EQ(run("INFO MAX_MEMORY 10000\nINFO TIMEOUT_TURN 100\nSTART 15\n"), "OK\n");
    }
    void TearDown() override { test::resetProcessRecords(); }

    std::string run(const std::string& lines) { return test::runLines(state, lines); }

    ProtocolState state;
};

TEST_F(Session, TurnRecordsTheOpponentThenTheAnswerBeforeReplying) {
    const std::string reply = run("TURN 7,7\n");
    const GameRecord& record = state.record;
    ASSERT_EQ(record.moves.size(), 2u);
    EXPECT_EQ(record.moves[0], kCentreCell);
    EXPECT_EQ(record.board[kCentreCell], kOpponentStone);
    EXPECT_EQ(record.firstColour, kOpponentStone);
    const Cell answer = record.moves[1];
    EXPECT_EQ(record.board[answer], kOwnStone);
    EXPECT_EQ(record.colourToMove, kOpponentStone);
    EXPECT_EQ(reply, cellText(static_cast<std::int16_t>(answer)) + "\n");
    // The engine saw the position with the opponent's stone and itself to move.
    EXPECT_EQ(engineState.history, std::vector<Cell>{kCentreCell});
    EXPECT_EQ(engineState.colourToMove, kOwnStone);
}

TEST_F(Session, BeginMakesTheEngineFirstAndPlaysTheCentre) {
    EXPECT_EQ(run("BEGIN\n"), "7,7\n");
    EXPECT_EQ(state.record.firstColour, kOwnStone);
    EXPECT_EQ(state.record.colourToMove, kOpponentStone);
    EXPECT_EQ(state.record.moves, std::vector<Cell>{kCentreCell});
    EXPECT_EQ(state.record.board[kCentreCell], kOwnStone);
    EXPECT_EQ(run("TURN 0,0\n").size(), 4u);  // "x,y\n" of the answer, a single digit each
    EXPECT_EQ(state.record.firstColour, kOwnStone);
}

TEST_F(Session, RefusedTurnChangesNothing) {
    run("TURN 7,7\n");
    GameRecord before = state.record;
    EXPECT_EQ(run("TURN 7,7\nTURN 15,0\nTURN 7 7\n"),
              "ERROR Invalid coordinates\nERROR Invalid coordinates\nERROR Invalid syntax\n");
    EXPECT_EQ(state.record.board, before.board);
    EXPECT_EQ(state.record.moves, before.moves);

    // Two own stones and none of the opponent's, then the engine's answer: 3 against 0 fits
    // neither first mover, so even a free cell is refused.
    ASSERT_EQ(run("BOARD\n7,7,1\n8,8,1\nDONE\n").substr(0, 23), "ERROR Invalid position\n");
    before = state.record;
    EXPECT_EQ(run("TURN 0,14\n"), "ERROR Invalid coordinates\n");
    EXPECT_EQ(state.record.board, before.board);
    EXPECT_EQ(state.record.moves, before.moves);
    EXPECT_EQ(state.record.colourToMove, kOpponentStone);
}

TEST_F(Session, TurnsAndABoardReplayHandTheEngineTheSamePosition) {
    for (const char* turn : {"TURN 7,7\n", "TURN 3,12\n", "TURN 14,0\n", "TURN 9,4\n"})
        ASSERT_EQ(run(turn).find("ERROR"), std::string::npos) << turn;
    // What the engine was given for its last answer.
    const EngineState seen{engineState.board,
                           engineState.firstColour,
                           engineState.colourToMove,
                           engineState.history,
                           {},
                           {},
                           {}};
    const GameRecord played = state.record;

    // The same game as a BOARD block, every row with its player, up to the opponent's move.
    std::string block = "BOARD\n";
    for (std::size_t i = 0; i + 1 < played.moves.size(); ++i) {
        const Cell cell = played.moves[i];
        block += cellText(static_cast<std::int16_t>(cell)) + "," +
                 std::to_string(played.board[cell]) + "\n";
    }
    block += "DONE\n";
    ProtocolState replay;
    replay.mode = ProtocolMode::Playing;
    const std::string reply = test::runLines(replay, block);
    ASSERT_EQ(reply.find("ERROR"), std::string::npos) << reply;
    EXPECT_EQ(engineState.board, seen.board);
    EXPECT_EQ(engineState.firstColour, seen.firstColour);
    EXPECT_EQ(engineState.colourToMove, seen.colourToMove);
    EXPECT_EQ(engineState.history, seen.history);
    EXPECT_EQ(seen.firstColour, kOpponentStone);
}

TEST_F(Session, StartOpensANewGameButKeepsPlaying) {
    run("TURN 7,7\n");
    EXPECT_EQ(run("START 15\n"), "OK\n");
    EXPECT_EQ(state.mode, ProtocolMode::Playing);
    EXPECT_TRUE(state.record.moves.empty());
    EXPECT_EQ(state.record.firstColour, kOwnStone);
    EXPECT_EQ(state.record.colourToMove, kOwnStone);
    EXPECT_EQ(run("BEGIN\n"), "7,7\n");
    // A refused START is no new game.
    EXPECT_EQ(run("START 16\n").substr(0, 30), "ERROR Unsupported size of boar");
    EXPECT_EQ(state.record.moves.size(), 1u);
}

// An endless line without a line feed used to be gathered whole, however much memory it took.
TEST_F(Session, OverlongLinesAreCutAndTheRestDropped) {
    const std::string word(kMaxLineBytes + 4096, 'W');
    const std::string reply = run(word + "\r\nABOUT\n");
    const std::string expectedError =
        "ERROR Unknown command \"" + std::string(kMaxLineBytes, 'W') + "\"\n";
    ASSERT_GE(reply.size(), expectedError.size());
    EXPECT_EQ(reply.substr(0, expectedError.size()), expectedError);
    EXPECT_EQ(reply.substr(expectedError.size(), 12), "name=\"Quoll\"");
}

TEST_F(Session, LoggedLinesAreUpperCaseAndTheOpponentMoveIsNamed) {
    test::CapturedLog log;
    run("start 15\nturn 1,2\nend\n");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Received command \"START 15\"", "Init successful",
                               "Received command \"TURN 1,2\"", "Opponent moved to [1,2]",
                               "Received command \"END\"", "Terminating..."}));
}

}  // namespace
}  // namespace quoll

// The built engine driven through its pipes, every reply compared byte for byte.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "odd_lines.hpp"
#include "tools/referee.hpp"

namespace quoll::test {
namespace {

class EngineSession : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(engine.startEngine()); }

    // START with a small table and a short move budget, so that each test starts quickly.
    void startGame() {
        engine.sendLine("INFO MAX_MEMORY 1000000");
        engine.sendLine("INFO TIMEOUT_TURN 200");
        ASSERT_TRUE(engine.answers("START 15", "OK"));
    }

    // The next line is a move "x,y" on a cell not yet taken; the cell is then taken.
    void expectMove() {
        const std::optional<std::string> line = engine.readLine();
        ASSERT_TRUE(line.has_value());
        const std::optional<int> cell = tools::parseMoveReply(*line);
        ASSERT_TRUE(cell.has_value()) << "not a move: " << *line;
        EXPECT_TRUE(taken.insert(*cell).second) << "engine played on a taken cell " << *line;
    }

    // The stones of a new position, before the engine's answer.
    void takenAre(std::initializer_list<std::pair<int, int>> cells) {
        taken.clear();
        for (const auto& [x, y] : cells) taken.insert(y * 15 + x);
    }

    EngineClient engine;
    std::set<int> taken;
};

TEST_F(EngineSession, AboutLineHasTheFixedFieldsAndABuildDate) {
    engine.sendLine("ABOUT");
    const std::optional<std::string> line = engine.readLine();
    ASSERT_TRUE(line.has_value());
    const std::string head =
        "name=\"Quoll\", author=\"Quoll developers\", country=\"n/a\", "
        "email=\"quoll@example.org\", version=\"9\", build-date=\"";
    const std::string tail = "\", target-rule=\"standard\", target-board-size=\"15\", debug=\"0\"";
    // The build date as "Mmm dd yyyy hh:mm:ss", the day padded with a blank.
    const std::string_view shape = "Aaa #d dddd dd:dd:dd";
    ASSERT_EQ(line->size(), head.size() + shape.size() + tail.size()) << *line;
    EXPECT_EQ(line->substr(0, head.size()), head);
    EXPECT_EQ(line->substr(head.size() + shape.size()), tail);
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = (*line)[head.size() + i];
        EXPECT_TRUE(shape[i] == 'A'   ? c >= 'A' && c <= 'Z'
                    : shape[i] == 'a' ? c >= 'a' && c <= 'z'
                    : shape[i] == 'd' ? c >= '0' && c <= '9'
                    : shape[i] == '#' ? c == ' ' || (c >= '1' && c <= '3')
                                      : c == shape[i])
            << *line;
    }
    engine.endAndExpectExit();
}

TEST(EngineStartUp, RelativeProgramPathGivesTheMessageFirst) {
    if (kWindowsEngine) GTEST_SKIP() << "Wine hands a program its full path";
    for (const char* name : {"pbrain-quoll", "./pbrain-quoll", "build/pbrain-quoll"}) {
        EngineClient engine;
        ASSERT_TRUE(engine.startEngine(name));
        EXPECT_TRUE(engine.expectLine(
            "MESSAGE Failed to parse the path, make sure you run the engine using absolute path"))
            << name;
        EXPECT_TRUE(engine.answers("START 15", "OK"));
        engine.closeInput();
        EXPECT_EQ(engine.waitExit(), 0);
    }
}

TEST_F(EngineSession, BeforeStartPositionCommandsAreRefusedAndSettingsAreSilent) {
    EXPECT_TRUE(engine.answers("TURN 7,7", kModeError));
    EXPECT_TRUE(engine.answers("BEGIN", kModeError));
    // BOARD reads no rows here: every row and DONE reach the dispatcher themselves.
    EXPECT_TRUE(engine.answers("BOARD", kModeError));
    EXPECT_TRUE(engine.answers("7,7,1", unknownCommand("7,7,1")));
    EXPECT_TRUE(engine.answers("DONE", unknownCommand("DONE")));
    for (const char* line : {"info timeout_turn 1000", "INFO TIMEOUT_TURN ABC", "INFO MAX_MEMORY 1000"})
        engine.sendLine(line);
    EXPECT_TRUE(engine.answeredAll());
    for (const char* line : {"START 15", "START 15 15", "START 20 15", "start 15", "START 15 X"})
        EXPECT_TRUE(engine.answers(line, "OK"));
    engine.endAndExpectExit();
}

TEST_F(EngineSession, AGameTakesEveryOddLineAndGoesOn) {
    startGame();
    EXPECT_TRUE(engine.answers("BEGIN", "7,7"));
    takenAre({{7, 7}});
    for (const OddLine& line : kOddLines) EXPECT_TRUE(sendOddLine(engine, line));
    for (const OddLine& line : megabyteLines()) EXPECT_TRUE(sendOddLine(engine, line));
    engine.sendLine("TURN 6,6,1");  // the third number is ignored
    taken.insert(6 * 15 + 6);
    expectMove();
    EXPECT_TRUE(engine.answers("TURN 6,6", kCoordinatesError));
    engine.sendLine("turn 0,14\0junk"s);
    taken.insert(14 * 15);
    expectMove();
    engine.sendLine("TURN" + std::string(kMegabyte, ' ') + "3,3");
    taken.insert(3 * 15 + 3);
    expectMove();
    EXPECT_TRUE(engine.answeredAll());
    engine.endAndExpectExit();
}

TEST_F(EngineSession, StartAfterAGameClearsTheRecord) {
    startGame();
    engine.sendLine("TURN 3,4");
    takenAre({{3, 4}});
    expectMove();
    // Regression: START kept the old stones, so BEGIN in the next game was refused.
    EXPECT_TRUE(engine.answers("START 15", "OK"));
    EXPECT_TRUE(engine.answers("BEGIN", "7,7"));
    engine.endAndExpectExit();
}

TEST_F(EngineSession, BoardBlocksAnswerAfterTheirErrors) {
    startGame();
    engine.sendRaw("BOARD\nDONE\n");
    EXPECT_TRUE(engine.expectLine("7,7"));
    engine.sendRaw("BOARD\n7,7,2\ndone\n");
    takenAre({{7, 7}});
    expectMove();
    // Stone counts that fit no first mover: the error, then a move all the same.
    engine.sendRaw("BOARD\n7,7,1\n8,8,1\nDONE\n");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid position"));
    takenAre({{7, 7}, {8, 8}});
    expectMove();
    // A player on a later row recolours the earlier ones: 1, 2, 1.
    engine.sendRaw("BOARD\n7,7\n8,8\n9,9,1\nDONE\n");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid position"));
    takenAre({{7, 7}, {8, 8}, {9, 9}});
    expectMove();
    engine.endAndExpectExit();
}

TEST_F(EngineSession, BadBoardRowIsSkippedAndTheBlockAnsweredOnce) {
    startGame();
    engine.sendRaw("BOARD\n0,0,2\n7,7,3\n8,8,1\n9,9,2\nDONE\n");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid coordinates or player"));
    takenAre({{0, 0}, {7, 7}, {8, 8}, {9, 9}});
    expectMove();
    for (const std::string row : {"15,0", "0,0", "-1,3,1", "X"}) {
        engine.sendRaw("BOARD\n0,0,2\n" + row + "\nDONE\n");
        EXPECT_TRUE(engine.expectLine(row == "X" ? kSyntaxError
                                                 : "ERROR Invalid coordinates or player"))
            << row;
        takenAre({{0, 0}});
        expectMove();
    }
    EXPECT_TRUE(engine.answeredAll());
    engine.endAndExpectExit();
}

TEST_F(EngineSession, EndStopsReadingAndExitsWithZero) {
    engine.sendLine("end of it");
    engine.sendLine("ABOUT");
    engine.expectCleanExit();
}

TEST_F(EngineSession, EndOfInputWithoutEndExitsWithZero) {
    startGame();
    engine.sendRaw("FOO");  // the last line lacks its line feed
    engine.closeInput();
    EXPECT_TRUE(engine.expectLine(unknownCommand("FOO")));
    engine.expectCleanExit();
}

TEST_F(EngineSession, EndOfInputInsideBoardAnswersThenExits) {
    startGame();
    engine.sendRaw("BOARD\n7,7\n8,8");  // the last row even lacks its line feed
    engine.closeInput();
    takenAre({{7, 7}, {8, 8}});
    expectMove();
    engine.expectCleanExit();
}

TEST_F(EngineSession, CarriageReturnsBeforeLineFeedsAreNotPartOfTheLine) {
    engine.sendRaw("INFO MAX_MEMORY 1000\r\nINFO TIMEOUT_TURN 200\r\nSTART 15\r\n");
    EXPECT_TRUE(engine.expectLine("OK"));
    engine.sendRaw("BOARD\r\n7,7,2\r\nDONE\r\n");
    takenAre({{7, 7}});
    expectMove();
    engine.sendRaw("FOO\r\n\r\n");
    EXPECT_TRUE(engine.expectLine(unknownCommand("FOO")));
    engine.sendRaw("END\r\n");
    engine.expectCleanExit();
}

}  // namespace
}  // namespace quoll::test

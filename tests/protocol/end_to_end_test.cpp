// The built engine driven through its pipes, every reply compared byte for byte.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/engine_client.hpp"

namespace {

using quoll::test::EngineClient;

const std::string kModeError = "ERROR This command cannot be used in current mode";
// A line whose only effect is a known reply: everything before it has been answered.
const std::string kProbe = "PROBE";
const std::string kProbeReply = "ERROR Unknown command \"PROBE\"";

// A coordinate from 0 to 14 in plain decimal, without sign, blank or leading zero.
std::optional<int> parseCoordinate(std::string_view text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    if (text.size() == 2 && text[0] == '0') return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value < 15 ? std::optional<int>(value) : std::nullopt;
}

// The cell of a move reply "x,y", or nothing when the line is not exactly that.
std::optional<int> parseMove(std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const auto x = parseCoordinate(line.substr(0, comma));
    const auto y = parseCoordinate(line.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return *y * 15 + *x;
}

// "Mmm dd yyyy hh:mm:ss", the day padded with a blank.
bool isBuildDate(std::string_view text) {
    const std::string_view shape = "Aaa #d dddd dd:dd:dd";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = text[i];
        const bool fits = shape[i] == 'A'   ? c >= 'A' && c <= 'Z'
                          : shape[i] == 'a' ? c >= 'a' && c <= 'z'
                          : shape[i] == 'd' ? c >= '0' && c <= '9'
                          : shape[i] == '#' ? c == ' ' || (c >= '1' && c <= '3')
                                            : c == shape[i];
        if (!fits) return false;
    }
    return true;
}

class EngineSession : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(engine.start(QUOLL_ENGINE_PATH)); }

    // START with a small table and a short move budget, so that each test starts quickly.
    void startGame() {
        engine.sendLine("INFO MAX_MEMORY 1000000");
        engine.sendLine("INFO TIMEOUT_TURN 200");
        engine.sendLine("START 15");
        ASSERT_TRUE(engine.expectLine("OK"));
    }

    // The next line is a move "x,y" on a cell not yet taken; the cell is then taken.
    void expectLegalMove() {
        const std::optional<std::string> line = engine.readLine();
        ASSERT_TRUE(line.has_value());
        const std::optional<int> cell = parseMove(*line);
        ASSERT_TRUE(cell.has_value()) << "not a move: " << *line;
        EXPECT_TRUE(taken.insert(*cell).second) << "engine played on a taken cell " << *line;
    }

    void take(int x, int y) { taken.insert(y * 15 + x); }

    void expectSilentSoFar() { EXPECT_TRUE(engine.expectLine(kProbeReply)) << "after silence"; }

    void endAndExpectExit() {
        engine.sendLine("END");
        EXPECT_TRUE(engine.expectEndOfOutput());
        EXPECT_EQ(engine.waitExit(), 0);
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
    ASSERT_GT(line->size(), head.size() + tail.size()) << *line;
    EXPECT_EQ(line->substr(0, head.size()), head);
    EXPECT_EQ(line->substr(line->size() - tail.size()), tail);
    EXPECT_TRUE(isBuildDate(line->substr(head.size(), line->size() - head.size() - tail.size())))
        << *line;
    endAndExpectExit();
}

TEST(EngineStartUp, RelativeProgramPathGivesTheMessageFirst) {
    for (const char* name : {"pbrain-quoll", "./pbrain-quoll", "build/pbrain-quoll"}) {
        EngineClient engine;
        ASSERT_TRUE(engine.start(QUOLL_ENGINE_PATH, name));
        EXPECT_TRUE(engine.expectLine(
            "MESSAGE Failed to parse the path, make sure you run the engine using absolute path"))
            << name;
        engine.sendLine("START 15");
        EXPECT_TRUE(engine.expectLine("OK"));
        engine.closeInput();
        EXPECT_EQ(engine.waitExit(), 0);
    }
}

TEST_F(EngineSession, StartTakesTheLastOfTwoNumbersAsTheSize) {
    engine.sendLine("INFO MAX_MEMORY 1000");
    for (const char* line : {"START 15", "START 15 15", "START 20 15", "start 15", "START 15 X"}) {
        engine.sendLine(line);
        EXPECT_TRUE(engine.expectLine("OK")) << line;
    }
    engine.sendLine("START 15 20");
    EXPECT_TRUE(engine.expectLine(
        "ERROR Unsupported size of board 20. This version only supports board size 15"));
    engine.sendLine("START -3");
    EXPECT_TRUE(engine.expectLine(
        "ERROR Unsupported size of board -3. This version only supports board size 15"));
    for (const char* line : {"START", "START X", "START 32768", "START   "}) {
        engine.sendLine(line);
        EXPECT_TRUE(engine.expectLine("ERROR Invalid syntax")) << line;
    }
    endAndExpectExit();
}

TEST_F(EngineSession, DispatcherQuotesTheFirstWordAndIgnoresBlankAndConfigLines) {
    engine.sendLine("restart");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"RESTART\""));
    engine.sendLine("Foo bar baz");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"FOO\""));
    engine.sendLine("  \tdone  ");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"DONE\""));
    engine.sendLine("");
    engine.sendLine("     ");
    engine.sendLine("\t \t");
    engine.sendLine("CONFIG anything at all");
    engine.sendLine("config");
    engine.sendLine("info timeout_turn 1000");
    engine.sendLine("INFO EVALUATE 7,7");
    engine.sendLine("INFO TIMEOUT_TURN ABC");
    engine.sendLine(kProbe);
    expectSilentSoFar();
    engine.sendLine("INFO TIME_LEFT");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid syntax"));
    engine.sendLine("INFO");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid syntax"));
    endAndExpectExit();
}

TEST_F(EngineSession, PositionCommandsBeforeStartAreRefused) {
    engine.sendLine("TURN 7,7");
    EXPECT_TRUE(engine.expectLine(kModeError));
    engine.sendLine("BEGIN");
    EXPECT_TRUE(engine.expectLine(kModeError));
    // BOARD reads no rows here: every row and DONE reach the dispatcher themselves.
    engine.sendLine("BOARD");
    EXPECT_TRUE(engine.expectLine(kModeError));
    engine.sendLine("7,7,1");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"7,7,1\""));
    engine.sendLine("8,8,2");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"8,8,2\""));
    engine.sendLine("DONE");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"DONE\""));
    endAndExpectExit();
}

TEST_F(EngineSession, TurnChecksSyntaxAndCoordinates) {
    startGame();
    engine.sendLine("TURN 7 7");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid syntax"));
    engine.sendLine("TURN");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid syntax"));
    engine.sendLine("TURN 7,99999");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid syntax"));
    // 15,0 would be cell 15 (the second row) if only the cell number were tested.
    for (const char* line : {"TURN -1,0", "TURN 0,15", "TURN 15,0", "TURN 0,-1", "TURN 14,15"}) {
        engine.sendLine(line);
        EXPECT_TRUE(engine.expectLine("ERROR Invalid coordinates")) << line;
    }
    engine.sendLine("TURN 7,7,1");  // the third number is ignored
    take(7, 7);
    expectLegalMove();
    engine.sendLine("TURN 7,7");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid coordinates"));
    engine.sendLine("turn 0,14");
    take(0, 14);
    expectLegalMove();
    endAndExpectExit();
}

TEST_F(EngineSession, BeginOpensInTheCentreOnlyOnAnEmptyBoard) {
    startGame();
    engine.sendLine("BEGIN");
    EXPECT_TRUE(engine.expectLine("7,7"));
    engine.sendLine("BEGIN");
    EXPECT_TRUE(engine.expectLine(kModeError));
    take(7, 7);
    engine.sendLine("TURN 6,6");
    take(6, 6);
    expectLegalMove();
    endAndExpectExit();
}

TEST_F(EngineSession, StartAfterAGameClearsTheRecord) {
    startGame();
    engine.sendLine("TURN 3,4");
    take(3, 4);
    expectLegalMove();
    // Regression: START kept the old stones, so BEGIN in the next game was refused.
    engine.sendLine("START 15");
    EXPECT_TRUE(engine.expectLine("OK"));
    engine.sendLine("BEGIN");
    EXPECT_TRUE(engine.expectLine("7,7"));
    endAndExpectExit();
}

TEST_F(EngineSession, BoardBlocksAnswerAfterTheirErrors) {
    startGame();
    engine.sendLine("BOARD");
    engine.sendLine("DONE");
    EXPECT_TRUE(engine.expectLine("7,7"));

    engine.sendLine("BOARD");
    engine.sendLine("7,7,2");
    engine.sendLine("done");
    taken = {};
    take(7, 7);
    expectLegalMove();

    engine.sendLine("BOARD");
    engine.sendLine("7,7,1");
    engine.sendLine("8,8,1");
    engine.sendLine("DONE");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid position"));
    taken = {};
    take(7, 7);
    take(8, 8);
    expectLegalMove();

    engine.sendLine("BOARD");
    engine.sendLine("7,7");
    engine.sendLine("8,8");
    engine.sendLine("9,9,1");
    engine.sendLine("DONE");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid position"));
    taken = {};
    take(7, 7);
    take(8, 8);
    take(9, 9);
    expectLegalMove();
    endAndExpectExit();
}

TEST_F(EngineSession, BadBoardRowEndsTheBlockAndTheRestReachesTheDispatcher) {
    startGame();
    engine.sendLine("BOARD");
    engine.sendLine("0,0,2");
    engine.sendLine("7,7,3");
    engine.sendLine("8,8,1");
    engine.sendLine("DONE");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid coordinates or player"));
    take(0, 0);
    expectLegalMove();
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"8,8,1\""));
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"DONE\""));

    for (const char* row : {"15,0", "0,0", "-1,3,1", "X"}) {
        engine.sendLine("BOARD");
        engine.sendLine("0,0,2");
        engine.sendLine(row);
        EXPECT_TRUE(engine.expectLine(std::string(row) == "X"
                                          ? "ERROR Invalid syntax"
                                          : "ERROR Invalid coordinates or player"))
            << row;
        taken = {};
        take(0, 0);
        expectLegalMove();
    }
    endAndExpectExit();
}

TEST_F(EngineSession, EndStopsReadingAndExitsWithZero) {
    engine.sendLine("end");
    engine.sendLine("ABOUT");
    EXPECT_TRUE(engine.expectEndOfOutput());
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST_F(EngineSession, EndOfInputWithoutEndExitsWithZero) {
    startGame();
    engine.closeInput();
    EXPECT_TRUE(engine.expectEndOfOutput());
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST_F(EngineSession, EndOfInputInsideBoardAnswersThenExits) {
    startGame();
    engine.sendLine("BOARD");
    engine.sendLine("7,7");
    engine.sendRaw("8,8");  // the last row even lacks its line feed
    engine.closeInput();
    take(7, 7);
    take(8, 8);
    expectLegalMove();
    EXPECT_TRUE(engine.expectEndOfOutput());
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST_F(EngineSession, CarriageReturnsBeforeLineFeedsAreNotPartOfTheLine) {
    engine.sendRaw("INFO MAX_MEMORY 1000\r\nINFO TIMEOUT_TURN 200\r\nSTART 15\r\n");
    EXPECT_TRUE(engine.expectLine("OK"));
    engine.sendRaw("BOARD\r\n7,7,2\r\nDONE\r\n");
    take(7, 7);
    expectLegalMove();
    engine.sendRaw("FOO\r\n\r\n");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"FOO\""));
    engine.sendRaw("END\r\n");
    EXPECT_TRUE(engine.expectEndOfOutput());
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST_F(EngineSession, OddBytesAndHugeLinesAreHandledWithoutHarm) {
    startGame();
    using namespace std::string_literals;
    engine.sendLine("TURN 7,7\0junk"s);
    take(7, 7);
    expectLegalMove();
    engine.sendLine("\0"s);
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"\0\""s));
    // Bytes above 127 pass through; only a to z are upper-cased.
    engine.sendLine("\xC3\xA9t\xFFz \xE4");
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"\xC3\xA9T\xFFZ\""));
    const std::string huge(1 << 20, 'q');
    engine.sendLine(huge);
    EXPECT_TRUE(engine.expectLine("ERROR Unknown command \"" + std::string(1 << 20, 'Q') + "\""));
    engine.sendLine(std::string(1 << 20, ' '));
    engine.sendLine("TURN" + std::string(1 << 20, ' ') + "3,3");
    take(3, 3);
    expectLegalMove();
    engine.sendLine(kProbe);
    expectSilentSoFar();
    endAndExpectExit();
}

TEST_F(EngineSession, AWholeGameWritesOnlyProtocolLines) {
    startGame();
    engine.sendLine("INFO TIME_LEFT 100000");
    for (int i = 0; i < 30; ++i) {
        // Pick a free cell for the opponent, scanning from the far corner.
        int cell = 224;
        while (taken.count(cell)) --cell;
        engine.sendLine("TURN " + std::to_string(cell % 15) + "," + std::to_string(cell / 15));
        take(cell % 15, cell / 15);
        expectLegalMove();
    }
    endAndExpectExit();
}

}  // namespace

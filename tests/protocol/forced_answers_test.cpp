// Answers the engine must give by rule, through the built binary. The expected cell is worked
// out here from the board itself: the five-cell windows in the engine's fixed order (horizontal
// by row and first column, then vertical by column and first row, then anti-diagonal by the sum
// row + column, then diagonal by column - row from 10 down to -10, each line by first row).
// Where the rule answers without a search a zero budget proves that none was needed.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "board_positions.hpp"

namespace quoll::test {
namespace {

using tools::fiveCells;

struct LineWindow {
    int row;
    int column;
    int rowStep;
    int columnStep;
    int cell(int i) const { return (row + i * rowStep) * kSide + column + i * columnStep; }
};

std::vector<LineWindow> windowsInOrder() {
    std::vector<LineWindow> windows;
    for (int row = 0; row < kSide; ++row)
        for (int c0 = 0; c0 <= 10; ++c0) windows.push_back({row, c0, 0, 1});
    for (int column = 0; column < kSide; ++column)
        for (int r0 = 0; r0 <= 10; ++r0) windows.push_back({r0, column, 1, 0});
    for (int sum = 4; sum <= 24; ++sum)
        for (int r0 = std::max(0, sum - 14); r0 <= std::min(10, sum - 4); ++r0)
            windows.push_back({r0, sum - r0, 1, -1});
    for (int difference = 10; difference >= -10; --difference)
        for (int r0 = std::max(0, -difference); r0 <= std::min(10, 10 - difference); ++r0)
            windows.push_back({r0, r0 + difference, 1, 1});
    return windows;
}

// The first empty cell of the first window holding four stones of `stone`, no other stone and
// no `stone` on the cells just outside it: where `stone` completes an exact five, by rule order.
int firstFiveCompletion(const Stones& board, std::uint8_t stone) {
    for (const LineWindow& w : windowsInOrder()) {
        int mine = 0;
        int empty = -1;
        bool clean = true;
        for (int i = 0; i < 5; ++i) {
            const std::uint8_t s = board[w.cell(i)];
            if (s == stone)
                ++mine;
            else if (s == tools::kNone)
                empty = empty < 0 ? w.cell(i) : empty;
            else
                clean = false;
        }
        for (const int i : {-1, 5}) {
            const int r = w.row + i * w.rowStep;
            const int c = w.column + i * w.columnStep;
            if (tools::onBoard(r, c) && board[r * kSide + c] == stone) clean = false;
        }
        if (clean && mine == 4) return empty;
    }
    return -1;
}

// True when `stone`, to move, wins by force within two moves that threaten fives: a five now,
// a move that leaves two cells completing a five, or a four the other side must block followed
// by such a move (a four-three). Used on positions where the other side has no four to make.
bool winsByFours(Stones board, std::uint8_t stone) {
    if (!fiveCells(board, stone).empty()) return true;
    for (int move = 0; move < kCells; ++move) {
        if (board[move] != tools::kNone || !tools::nearStones(board, move, 2)) continue;
        board[move] = stone;
        const std::vector<int> fives = fiveCells(board, stone);
        bool wins = fives.size() >= 2;
        if (fives.size() == 1) {
            board[fives[0]] = tools::otherStone(stone);
            wins = !doubleFourCells(board, stone).empty();
            board[fives[0]] = tools::kNone;
        }
        board[move] = tools::kNone;
        if (wins) return true;
    }
    return false;
}

// `length` stones of one colour from (x, y) on, a step of (dx, dy) apart.
struct StoneRun {
    std::uint8_t stone;
    int x;
    int y;
    int dx = 0;
    int dy = 0;
    int length = 1;
};
constexpr std::uint8_t X = kEngineStone;
constexpr std::uint8_t O = kOpponentStone;

// The runs, then single stones three or more rows or columns from every other stone until the
// engine is to move: fillers that take part in no line.
Stones position(const std::vector<StoneRun>& runs) {
    Stones board{};
    for (const StoneRun& run : runs)
        for (int i = 0; i < run.length; ++i)
            board[cellAt(run.x + i * run.dx, run.y + i * run.dy)] = run.stone;
    for (int cell = 0; cell < kCells; ++cell) {
        const int own = stoneCount(board, X);
        const int theirs = stoneCount(board, O);
        if (own == theirs || own + 1 == theirs) break;
        if (!tools::nearStones(board, cell, 2)) board[cell] = own > theirs ? O : X;
    }
    return board;
}

class ForcedAnswer : public ::testing::Test {
  protected:
    void SetUp() override { startEngine(engine, 0); }
    void TearDown() override { engine.endAndExpectExit(); }

    // Checks the position has no five yet, then expects the engine's answer.
    void expectAnswer(const Stones& board, int expected) {
        ASSERT_FALSE(tools::hasExactFive(board, kEngineStone));
        ASSERT_FALSE(tools::hasExactFive(board, kOpponentStone));
        ASSERT_TRUE(engine.answers("START 15", "OK"));
        EXPECT_EQ(engineMoveFor(engine, board), expected)
            << "expected " << tools::moveText(expected);
    }

    EngineClient engine;
};

TEST_F(ForcedAnswer, OwnFiveComesBeforeBlockingAnEarlierOpponentFour) {
    const Stones board = position({{X, 2, 1}, {O, 3, 1, 1, 0, 4}, {O, 10, 5}, {X, 10, 6, 0, 1, 4}});
    ASSERT_EQ(firstFiveCompletion(board, kEngineStone), cellAt(10, 10));
    ASSERT_EQ(firstFiveCompletion(board, kOpponentStone), cellAt(7, 1));
    expectAnswer(board, cellAt(10, 10));
}

// Each position has two opponent fours; the one in the earlier window is blocked, although its
// cell is the later one on the board.
TEST_F(ForcedAnswer, OfTwoOpponentFoursTheEarliestWindowIsBlocked) {
    const std::vector<std::pair<Stones, int>> cases = {
        // horizontal before vertical
        {position({{O, 1, 0, 0, 1, 4}, {X, 7, 12}, {O, 8, 12, 1, 0, 4}}), cellAt(12, 12)},
        // anti-diagonal before diagonal
        {position({{X, 1, 0}, {O, 2, 1, 1, 1, 4}, {X, 13, 8}, {O, 12, 9, -1, 1, 4}}), cellAt(8, 13)},
        // vertical windows by column before row
        {position({{X, 9, 0}, {O, 9, 1, 0, 1, 4}, {X, 3, 8}, {O, 3, 9, 0, 1, 4}}), cellAt(3, 13)},
        // diagonals by column - row, the larger first
        {position({{O, 0, 5, 1, 1, 4}, {X, 9, 4}, {O, 10, 5, 1, 1, 4}}), cellAt(14, 9)},
        // an open four: the first window's first empty cell
        {position({{X, 13, 1}, {O, 13, 2, 0, 1, 4}, {O, 5, 7, 1, 0, 4}}), cellAt(4, 7)},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("position " + std::to_string(i));
        const auto& [board, expected] = cases[i];
        ASSERT_TRUE(fiveCells(board, kEngineStone).empty());
        ASSERT_GE(fiveCells(board, kOpponentStone).size(), 2u);
        ASSERT_EQ(firstFiveCompletion(board, kOpponentStone), expected);
        ASSERT_NE(expected, fiveCells(board, kOpponentStone).front());
        expectAnswer(board, expected);
    }
}

TEST_F(ForcedAnswer, OwnFourThatWouldMakeSixIsLeftAndTheOpponentFourBlocked) {
    // The cell between the engine's stones on row 7 would make six in a row: no five.
    const Stones board = position({{X, 12, 1}, {O, 12, 2, 0, 1, 4}, {O, 1, 7}, {X, 2, 7, 1, 0, 4},
                                   {X, 7, 7}, {O, 8, 7}});
    ASSERT_TRUE(fiveCells(board, kEngineStone).empty());
    ASSERT_EQ(firstFiveCompletion(board, kEngineStone), -1);
    ASSERT_EQ(firstFiveCompletion(board, kOpponentStone), cellAt(12, 6));
    expectAnswer(board, cellAt(12, 6));
}

// Two threes of the engine's crossing at 7,7, each capped at its far end.
const std::vector<StoneRun> kOwnDoubleFourRuns = {
    {O, 7, 3}, {X, 7, 4, 0, 1, 3}, {O, 3, 7}, {X, 4, 7, 1, 0, 3}};
const Stones kOwnDoubleFour = position(kOwnDoubleFourRuns);

TEST_F(ForcedAnswer, OwnDoubleFourIsPlayedWhenNoFiveIsOnEitherSide) {
    ASSERT_TRUE(fiveCells(kOwnDoubleFour, kEngineStone).empty());
    ASSERT_TRUE(fiveCells(kOwnDoubleFour, kOpponentStone).empty());
    ASSERT_EQ(doubleFourCells(kOwnDoubleFour, kEngineStone), std::vector<int>{cellAt(7, 7)});
    expectAnswer(kOwnDoubleFour, cellAt(7, 7));
}

TEST_F(ForcedAnswer, BlockingAFiveComesBeforeTheOwnDoubleFour) {
    std::vector<StoneRun> runs = kOwnDoubleFourRuns;
    runs.push_back({X, 2, 12});
    runs.push_back({O, 3, 12, 1, 0, 4});
    const Stones board = position(runs);
    ASSERT_EQ(doubleFourCells(board, kEngineStone), std::vector<int>{cellAt(7, 7)});
    ASSERT_EQ(fiveCells(board, kOpponentStone), std::vector<int>{cellAt(7, 12)});
    expectAnswer(board, cellAt(7, 12));
}

// The opponent threatens to win by fours, by a double four or by a four-three (the double four
// less two stones); the engine, without a four of its own, must answer so that the threat is
// gone, with no time to search and with a little.
TEST_F(ForcedAnswer, OpponentDoubleFourAndFourThreeAreMet) {
    Stones doubleFour = kOwnDoubleFour;
    for (std::uint8_t& stone : doubleFour)
        if (stone != tools::kNone) stone = tools::otherStone(stone);
    ASSERT_EQ(doubleFourCells(doubleFour, kOpponentStone), std::vector<int>{cellAt(7, 7)});
    Stones fourThree = doubleFour;
    fourThree[cellAt(7, 3)] = fourThree[cellAt(7, 4)] = tools::kNone;
    ASSERT_TRUE(doubleFourCells(fourThree, kOpponentStone).empty());
    for (const Stones& board : {doubleFour, fourThree}) {
        ASSERT_TRUE(winsByFours(board, kOpponentStone));
        for (int cell = 0; cell < kCells; ++cell)
            if (board[cell] == tools::kNone) {
                ASSERT_EQ(fiveCountAfter(board, cell, kEngineStone), 0);
            }
        // A move far away does not defend: the check below can tell.
        Stones idle = board;
        idle[cellAt(14, 0)] = kEngineStone;
        ASSERT_TRUE(winsByFours(idle, kOpponentStone));
        for (const int budgetMs : {0, 300}) {
            engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(budgetMs));
            Stones after = board;
            ASSERT_TRUE(engine.answers("START 15", "OK"));
            const int answer = engineMoveFor(engine, board);
            ASSERT_GE(answer, 0);
            after[answer] = kEngineStone;
            EXPECT_FALSE(winsByFours(after, kOpponentStone))
                << "budget " << budgetMs << " ms: " << tools::moveText(answer) << " does not defend";
        }
    }
}

TEST_F(ForcedAnswer, ZeroBudgetStillAnswersALegalMoveInAnOpenPosition) {
    std::mt19937_64 random(5);
    for (int i = 0; i < 4; ++i) {
        const Stones board = randomQuietPosition(random, 3 + 2 * i);
        ASSERT_TRUE(engine.answers("START 15", "OK"));
        // Either setting alone makes the budget zero: no turn time, or under 20 ms of match time.
        if (i % 2 == 0) {
            engine.sendLine("INFO TIMEOUT_TURN 0");
            engine.sendLine("INFO TIME_LEFT 10000000");
        } else {
            engine.sendLine("INFO TIMEOUT_TURN 5000");
            engine.sendLine("INFO TIME_LEFT 19");
        }
        EXPECT_GE(engineMoveFor(engine, board), 0) << "position " << i;
    }
}

TEST_F(ForcedAnswer, FullBoardGetsAnErrorAndNoMoveAndPlayGoesOn) {
    // Pairs of each colour along rows and diagonals, alternating down columns: no five anywhere.
    Stones board{};
    for (int row = 0; row < kSide; ++row)
        for (int column = 0; column < kSide; ++column)
            board[cellAt(column, row)] = (column + 2 * row) % 4 < 2 ? 1 : 2;
    ASSERT_FALSE(tools::hasExactFive(board, 1));
    ASSERT_FALSE(tools::hasExactFive(board, 2));
    // The colour with more stones is the opponent's, so that the engine is to move.
    if (stoneCount(board, 1) > stoneCount(board, 2))
        for (std::uint8_t& stone : board) stone = tools::otherStone(stone);
    sendBoardRows(engine, board);
    engine.sendLine("DONE");
    EXPECT_TRUE(engine.expectLine("ERROR Invalid coordinates"));
    EXPECT_TRUE(engine.answeredAll());
    ASSERT_TRUE(engine.answers("START 15", "OK"));
    EXPECT_TRUE(engine.answers("BEGIN", "7,7"));
    engine.sendLine("TURN 8,8");
    const std::optional<std::string> line = engine.readLine();
    ASSERT_TRUE(line.has_value());
    const std::optional<int> cell = tools::parseMoveReply(*line);
    ASSERT_TRUE(cell.has_value()) << *line;
    EXPECT_NE(*cell, cellAt(7, 7));
    EXPECT_NE(*cell, cellAt(8, 8));
}

}  // namespace
}  // namespace quoll::test

// Answers the engine must give by rule, through the built binary, worked out here from the board
// itself by the referee's rules: complete an own five, else block the opponent's, else play an
// own double four. A zero budget proves no search was needed; the detail line names the rule.

#include <gtest/gtest.h>

#include "client.hpp"

namespace quoll::test {
namespace {

using tools::fiveCells;

// The cells that answer by rule (any one of them), or none when no rule applies, with the reason
// and score (none but for a five) that the detail line gives.
struct RuleAnswer {
    std::vector<int> cells;
    std::string reason, score;
};

RuleAnswer ruleAnswer(const Stones& board) {
    if (std::vector<int> own = fiveCells(board, X); !own.empty()) return {own, "five", "win in 1"};
    if (std::vector<int> theirs = fiveCells(board, O); !theirs.empty())
        return {theirs, "block", ""};
    const std::vector<int> doubles = doubleFourCells(board, X);
    if (doubles.size() == 1) return {doubles, "double-four", ""};
    return {};
}

// True when `stone`, to move, wins by fours within two moves: a five now, a move leaving two
// cells that complete a five, or a four whose forced block leaves such a move (a four-three).
bool winsByFours(Stones board, std::uint8_t stone) {
    if (!fiveCells(board, stone).empty()) return true;
    for (int move = 0; move < kCells; ++move) {
        if (board[move] != kNone || !tools::nearStones(board, move, 2)) continue;
        board[move] = stone;
        const std::vector<int> fives = fiveCells(board, stone);
        bool wins = fives.size() >= 2;
        if (fives.size() == 1) {
            board[fives[0]] = tools::otherStone(stone);
            wins = !doubleFourCells(board, stone).empty();
            board[fives[0]] = kNone;
        }
        board[move] = kNone;
        if (wins) return true;
    }
    return false;
}

// Two threes of the engine's crossing at 7,7, each capped at its far end.
const std::vector<StoneRun> kDoubleFour = {
    {O, 7, 3}, {X, 7, 4, 0, 1, 3}, {O, 3, 7}, {X, 4, 7, 1, 0, 3}};

TEST(ForcedAnswer, ByRuleWithNoTimeToSearch) {
    const std::vector<Stones> cases = {
        // An own five before blocking the opponent's four.
        position({{X, 2, 1}, {O, 3, 1, 1, 0, 4}, {O, 10, 5}, {X, 10, 6, 0, 1, 4}}),
        // Two opponent fours (all four lines among them, an open four too): either is blocked.
        position({{O, 1, 0, 0, 1, 4}, {X, 7, 12}, {O, 8, 12, 1, 0, 4}}),
        position({{X, 1, 0}, {O, 2, 1, 1, 1, 4}, {X, 13, 8}, {O, 12, 9, -1, 1, 4}}),
        position({{X, 13, 1}, {O, 13, 2, 0, 1, 4}, {O, 5, 7, 1, 0, 4}}),
        // An own four whose cell would make six is no five: the opponent's four is blocked.
        position(
            {{X, 12, 1}, {O, 12, 2, 0, 1, 4}, {O, 1, 7}, {X, 2, 7, 1, 0, 4}, {X, 7, 7}, {O, 8, 7}}),
        position(kDoubleFour),
        // Blocking a five comes before the own double four.
        position({{O, 7, 3},
                  {X, 7, 4, 0, 1, 3},
                  {O, 3, 7},
                  {X, 4, 7, 1, 0, 3},  // the double four
                  {X, 2, 12},
                  {O, 3, 12, 1, 0, 4}}),
    };
    EngineClient engine;
    startEngine(engine, 0);
    engine.sendLine("INFO SHOW_DETAIL 1");
    const auto expectAnswer = [](const Reply& reply, const RuleAnswer& rule) {
        EXPECT_TRUE(among(rule.cells, reply.move));
        // One detail line: depth 0, no node, the move alone, the rule's reason and score.
        ASSERT_EQ(reply.details.size(), 1u);
        const DetailLine& detail = reply.details[0];
        EXPECT_EQ(detail.depth, 0);
        EXPECT_EQ(detail.nodes, 0u);
        EXPECT_EQ(detail.line, std::vector{reply.move});
        EXPECT_EQ(detail.reason, rule.reason);
        EXPECT_EQ(detail.score, rule.score);
    };
    engine.sendLine("BEGIN");
    expectAnswer(readReply(engine, Stones{}), {{cellAt(7, 7)}, "opening", ""});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("position " + std::to_string(i));
        const Stones& board = cases[i];
        const RuleAnswer rule = ruleAnswer(board);
        ASSERT_FALSE(tools::hasExactFive(board, X) || tools::hasExactFive(board, O));
        ASSERT_FALSE(rule.cells.empty());
        ASSERT_TRUE(engine.answers("START 15", "OK"));
        sendBoard(engine, board);
        expectAnswer(readReply(engine, board), rule);
    }
    engine.endSession();
}

// The opponent threatens to win by fours, by a double four or by a four-three (the double four
// less two stones); the engine, with no four of its own, must answer so that the threat is gone,
// with no time to search and with a little.
TEST(ForcedAnswer, OpponentDoubleFourAndFourThreeAreMet) {
    Stones doubleFour = position(kDoubleFour);
    for (std::uint8_t& stone : doubleFour)
        if (stone != kNone) stone = tools::otherStone(stone);
    Stones fourThree = doubleFour;
    fourThree[cellAt(7, 3)] = fourThree[cellAt(7, 4)] = kNone;
    ASSERT_TRUE(doubleFourCells(fourThree, O).empty());
    EngineClient engine;
    startEngine(engine, 0);
    for (const Stones& board : {doubleFour, fourThree}) {
        ASSERT_TRUE(winsByFours(board, O));
        ASSERT_TRUE(ruleAnswer(board).cells.empty());
        Stones idle = board;  // a move far away does not defend: the check can tell
        idle[cellAt(14, 0)] = X;
        ASSERT_TRUE(winsByFours(idle, O));
        for (const int budgetMs : {0, 300}) {
            engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(budgetMs));
            ASSERT_TRUE(engine.answers("START 15", "OK"));
            sendBoard(engine, board);
            const int answer = replyMove(engine, board);
            ASSERT_GE(answer, 0);
            Stones after = board;
            after[answer] = X;
            EXPECT_FALSE(winsByFours(after, O)) << budgetMs << " ms: " << tools::moveText(answer);
        }
    }
    // A full board without a five gets an error and no move, and play goes on.
    Stones full{};
    for (int cell = 0; cell < kCells; ++cell)
        full[cell] = (cell % kSide + 2 * (cell / kSide)) % 4 < 2 ? O : X;
    if (stoneCount(full, X) > stoneCount(full, O))
        for (std::uint8_t& stone : full) stone = tools::otherStone(stone);
    ASSERT_FALSE(tools::hasExactFive(full, X) || tools::hasExactFive(full, O));
    ASSERT_TRUE(engine.answers("START 15", "OK"));
    sendBoard(engine, full);
    EXPECT_TRUE(engine.expectLine("ERROR Invalid coordinates"));
    EXPECT_TRUE(engine.answers("START 15", "OK"));
    EXPECT_TRUE(engine.answers("BEGIN", "7,7"));
    engine.endSession();
}

}  // namespace
}  // namespace quoll::test

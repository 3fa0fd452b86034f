// The search detail lines of INFO SHOW_DETAIL, through the built binary: their form, one per
// completed iteration and one for the move played, best lines that are legal by the referee's
// rules, the reasons of answers found without a search, and the depth and node limits.

#include <gtest/gtest.h>

#include <sstream>

#include "client.hpp"

namespace quoll::test {
namespace {

// Played out from the position, the engine first, by the referee: every move on an empty cell
// and none after a five.
::testing::AssertionResult legalLine(Stones board, const std::vector<int>& line) {
    std::uint8_t stone = X;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (board[line[i]] != kNone)
            return ::testing::AssertionFailure() << "move " << i << " on a taken cell";
        if (i > 0 && tools::makesExactFive(board, line[i - 1], board[line[i - 1]]))
            return ::testing::AssertionFailure() << "move " << i << " after a five";
        board[line[i]] = stone;
        stone = tools::otherStone(stone);
    }
    return ::testing::AssertionSuccess();
}

// Each request: the iterations in order, each of them with a legal line and no fewer nodes than
// the one before, then the move's line, which starts with the move played.
void expectWellFormed(const Reply& reply, const Stones& board) {
    ASSERT_FALSE(reply.details.empty());
    const DetailLine& last = reply.details.back();
    ASSERT_FALSE(last.line.empty());
    EXPECT_EQ(last.line.front(), reply.move);
    for (std::size_t i = 0; i < reply.details.size(); ++i) {
        const DetailLine& detail = reply.details[i];
        EXPECT_TRUE(legalLine(board, detail.line)) << "line " << i;
        EXPECT_LE(detail.line.size(), 20u);
        if (i == 0) continue;
        const DetailLine& before = reply.details[i - 1];
        EXPECT_GE(detail.nodes, before.nodes);
        EXPECT_EQ(detail.depth, before.depth + (i + 1 < reply.details.size() ? 1 : 0));
    }
    EXPECT_EQ(last.reason.empty(), last.depth > 0);
}

std::vector<Stones> quietPositions(int count) {
    std::mt19937_64 random(2812);
    std::vector<Stones> positions;
    for (int i = 0; i < count; ++i) positions.push_back(randomQuietPosition(random, 8 + 6 * i));
    return positions;
}

// The depth and node limits, alone and together; a value that is no number, or 0 or less, is
// no limit. The table is kept from one request to the next, as in a game, so the lines walk
// entries of earlier searches too.
TEST(DetailLines, OnePerIterationAndOneForTheMoveWithinTheLimits) {
    struct Row {
        std::vector<std::string> keys;
        int lastDepth;  // the last completed iteration, unless the game is decided sooner
        std::uint64_t nodeLimit = 0;
    };
    const Row rows[] = {
        {{"MAX_DEPTH 5"}, 5},
        {{"MAX_DEPTH 2"}, 4},  // below the first iteration: that one only
        {{"MAX_DEPTH 7", "MAX_NODE -3"}, 7},
        {{"MAX_DEPTH 6", "MAX_NODE 99999999999999999999"}, 6},  // saturates: no limit here
        {{"MAX_DEPTH X", "MAX_NODE 3000"}, 0, 3000},
        {{"MAX_DEPTH 0", "MAX_NODE 40000"}, 0, 40000},
        {{"MAX_DEPTH 5", "MAX_NODE 2000000"}, 5},
    };
    EngineClient engine;
    startEngine(engine, 60000);
    engine.sendLine("INFO SHOW_DETAIL 1");
    engine.sendLine("INFO MAX_MEMORY 16000000");  // a table that holds the lines
    std::size_t longestLine = 0;
    for (const Row& row : rows)
        for (const Stones& board : quietPositions(4)) {
            SCOPED_TRACE(row.keys.front() + " " + row.keys.back());
            for (const std::string& key : row.keys) engine.sendLine("INFO " + key);
            sendBoard(engine, board);
            const Reply reply = readReply(engine, board);
            ASSERT_NO_FATAL_FAILURE(expectWellFormed(reply, board));
            const DetailLine& last = reply.details.back();
            for (const DetailLine& detail : reply.details)
                longestLine = std::max(longestLine, detail.line.size());
            const bool decided = last.score.find(" in ") != std::string::npos;
            if (row.lastDepth > 0) {
                EXPECT_TRUE(last.depth == row.lastDepth || (decided && last.depth < row.lastDepth))
                    << last.depth;
                EXPECT_EQ(reply.details.size(), last.depth - 4 + 2u);
            } else if (!decided) {
                // Stopped by the node count at a tree node: the horizon and four-sequence
                // searches under the last one add a few.
                EXPECT_GE(last.nodes, row.nodeLimit);
                EXPECT_LT(last.nodes, row.nodeLimit + 2000);
                for (std::size_t i = 0; i + 1 < reply.details.size(); ++i)
                    EXPECT_LT(reply.details[i].nodes, row.nodeLimit);
            }
        }
    EXPECT_GE(longestLine, 8u) << "the table's moves follow the root's";
    engine.endSession();
}

// A won position shows its distance: at four plies, where the win lies beyond the tree in the
// search for fours at its leaves, and searched to its distance, which stores it in the table:
// asked again, it is answered from there without a search, at the same distance. (Answers by
// rule: tests/protocol/forced_answers_test.cpp.)
TEST(DetailLines, WinsShowTheirDistanceAlsoFromTheTable) {
    EngineClient engine;
    startEngine(engine, 5000);
    engine.sendLine("INFO SHOW_DETAIL 1");
    engine.sendLine("INFO MAX_MEMORY 16000000");
    // A four-three of the engine's (a capped three and a two crossing at 7,7), nothing of the
    // opponent's: four, block, open four, block, five.
    const Stones fourThree = position({{O, 3, 7}, {X, 4, 7, 1, 0, 3}, {X, 7, 5, 0, 1, 2}});
    ASSERT_TRUE(doubleFourCells(fourThree, X).empty());
    ASSERT_TRUE(engine.answers("START 15", "OK"));
    for (const int maxDepth : {4, 0}) {
        engine.sendLine("INFO MAX_DEPTH " + std::to_string(maxDepth));
        sendBoard(engine, fourThree);
        const Reply won = readReply(engine, fourThree);
        ASSERT_NO_FATAL_FAILURE(expectWellFormed(won, fourThree));
        EXPECT_EQ(won.move, cellAt(7, 7));
        EXPECT_EQ(won.details.back().score, "win in 5") << "MAX_DEPTH " << maxDepth;
    }
    sendBoard(engine, fourThree);
    const Reply again = readReply(engine, fourThree);
    ASSERT_EQ(again.details.size(), 1u);
    EXPECT_EQ(again.details[0].reason, "table");
    EXPECT_EQ(again.details[0].score, "win in 5");
    EXPECT_EQ(again.move, cellAt(7, 7));
    // Off again (0, or a value that is no number): the move alone, nothing more.
    for (const char* off : {"INFO SHOW_DETAIL 0", "INFO SHOW_DETAIL X"}) {
        engine.sendLine(off);
        sendBoard(engine, fourThree);
        replyMove(engine, fourThree);
        EXPECT_TRUE(engine.answers("PROBE", "ERROR Unknown command \"PROBE\"")) << off;
    }
    engine.endSession();
}

}  // namespace
}  // namespace quoll::test

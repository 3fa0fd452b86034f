// One engine process, hundreds of short games: openings sent by BOARD in every row form, a simple
// opponent by TURN, and odd lines in between whose replies are known exactly. The test keeps its
// own record of every game; each reply must be exactly the one expected (a move on a free cell,
// a five when one is in reach). The engine's resident memory must not grow once the session has
// settled.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board_positions.hpp"
#include "odd_lines.hpp"

namespace quoll::test {
namespace {

using tools::moveText;

constexpr int kGames = kSanitizerBuild ? 100 : 300;  // the sanitizer build is several times slower
// Not under the sanitizers (freed blocks wait in their quarantine), nor under Wine (whose own
// memory is counted with the program's).
constexpr bool kMemoryChecked = !kSanitizerBuild && !kWindowsEngine;
constexpr int kSettledGame = 10;        // resident memory is measured from here to the end
constexpr long kRssToleranceKb = 512;  // pages touched late, not growth per game
constexpr int kTurnsPerGame = 10;
const std::string kRowError = "ERROR Invalid coordinates or player";

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    return -1;
}

// The colour of row `i` of `count` rows without players: the last is the opponent's.
std::uint8_t alternatingStone(int i, int count) {
    return (count - 1 - i) % 2 == 0 ? kOpponentStone : kEngineStone;
}

class LongSession : public ::testing::Test {
  protected:
    void SetUp() override {
        // Blocks of 128 kB and more go straight back to the system when freed, so that the
        // megabyte lines leave no trace in the resident memory that the heap would hold anyway.
        setenv("GLIBC_TUNABLES", "glibc.malloc.mmap_threshold=131072", 1);
        ASSERT_TRUE(engine.startEngine());
        unsetenv("GLIBC_TUNABLES");
        engine.sendLine("INFO MAX_MEMORY 4000000");
        engine.sendLine("INFO TIMEOUT_TURN 20");
        ASSERT_TRUE(engine.answers("START 15", "OK"));
    }

    int randomBelow(int bound) {
        return static_cast<int>(generator() % static_cast<std::uint64_t>(bound));
    }

    // The engine's reply to a move request: a move on a free cell, and a five when it has one.
    void expectEngineMove(const std::string& request) {
        const std::optional<std::string> line = engine.readLine();
        ASSERT_TRUE(line.has_value()) << "no reply to " << request;
        const std::optional<int> cell = tools::parseMoveReply(*line);
        ASSERT_TRUE(cell.has_value()) << "not a move: \"" << *line << "\" after " << request;
        ASSERT_EQ(board[*cell], tools::kNone) << "engine played on a taken cell " << *line;
        const bool five = tools::makesExactFive(board, *cell, kEngineStone);
        EXPECT_TRUE(five || tools::fiveCells(board, kEngineStone).empty())
            << "engine missed its five, played " << *line;
        board[*cell] = kEngineStone;
        over = over || five;
    }

    // Opening stones near the centre with no five in reach, in BOARD row order.
    std::vector<int> openingCells(int count) {
        const Stones trial = randomQuietPosition(generator, count);
        std::vector<int> byStone[3];
        for (int cell = 0; cell < kCells; ++cell) byStone[trial[cell]].push_back(cell);
        std::vector<int> cells;
        for (int i = 0; i < count; ++i) {
            std::vector<int>& from = byStone[alternatingStone(i, count)];
            cells.push_back(from.back());
            from.pop_back();
        }
        return cells;
    }

    // A new game by BOARD, its rows in one of the forms the manager may use.
    void openGame() {
        const int form = randomBelow(6);
        const int count = form == 0 ? 0 : 1 + randomBelow(9);
        const std::vector<int> cells = openingCells(count);
        std::string block = "BOARD\n";
        for (int i = 0; i < count; ++i) {
            const std::uint8_t stone = alternatingStone(i, count);
            board[cells[i]] = stone;
            // With players; without; or only the first row with its player, the rest
            // alternating on from it.
            const bool withPlayer = form == 1 || form == 4 || (form == 3 && i == 0) ||
                                    (form == 5 && randomBelow(2) == 0);
            block += moveText(cells[i]);
            if (withPlayer) block += ',' + std::to_string(stone);
            block += form == 4 ? "\r\n" : "\n";
        }
        ASSERT_TRUE(engine.sendRaw(block + (form == 4 ? "done\r\n" : "DONE\n")));
        if (count == 0) {
            ASSERT_TRUE(engine.expectLine("7,7"));  // the centre on an empty board
            board[cellAt(7, 7)] = kEngineStone;
            return;
        }
        expectEngineMove("BOARD of " + std::to_string(count) + " rows, form " + std::to_string(form));
    }

    // A BOARD block with a bad row among its rows, after the first: the row's error, then one
    // move for the other rows.
    void openInterruptedGame() {
        const int count = 2 + randomBelow(8);
        const std::vector<int> cells = openingCells(count);
        const int cut = 1 + randomBelow(count);  // the bad row comes before row `cut`
        const OddLine badRows[] = {{"7;7", {kSyntaxError}},
                                   {"3,3,3", {kRowError}},
                                   {moveText(cells[0]) + ",1", {kRowError}},
                                   {"15,2", {kRowError}}};
        const OddLine& bad = badRows[randomBelow(4)];
        std::string block = "BOARD\n";
        for (int i = 0; i <= count; ++i) {
            if (i == cut) block += bad.bytes + "\n";
            if (i == count) break;
            board[cells[i]] = alternatingStone(i, count);
            block += moveText(cells[i]) + "," + std::to_string(board[cells[i]]) + "\n";
        }
        ASSERT_TRUE(engine.sendRaw(block + "DONE\n"));
        ASSERT_TRUE(engine.expectLine(bad.replies[0]));
        expectEngineMove("BOARD with a bad row");
    }

    // A block whose stone counts fit no first mover: the error, a move all the same, and then
    // a TURN is refused because the counts still fit nobody.
    void openImpossibleGame() {
        std::string block = "BOARD\n";
        for (const int cell : openingCells(3)) {
            board[cell] = kEngineStone;
            block += moveText(cell) + ",1\n";
        }
        ASSERT_TRUE(engine.sendRaw(block + "DONE\n"));
        ASSERT_TRUE(engine.expectLine("ERROR Invalid position"));
        expectEngineMove("BOARD with three own stones");
        int free = 0;
        while (board[free] != tools::kNone) ++free;
        ASSERT_TRUE(engine.answers("TURN " + moveText(free), kCoordinatesError));
        over = true;
    }

    // The opponent: an exact five if it has one, else it blocks the engine's, else a cell
    // next to a stone.
    int opponentMove() {
        if (const auto five = tools::fiveCells(board, kOpponentStone); !five.empty())
            return five.front();
        if (const auto block = tools::fiveCells(board, kEngineStone); !block.empty())
            return block.front();
        std::vector<int> near;
        for (int c = 0; c < kCells; ++c)
            if (board[c] == tools::kNone && tools::nearStones(board, c, 1)) near.push_back(c);
        return near[randomBelow(static_cast<int>(near.size()))];
    }

    // One of the odd lines, a random unknown word, a TURN on a taken cell, or (rarely, once the
    // session has settled) a line of a megabyte.
    OddLine oddLine(int game) {
        static const std::vector<OddLine> kHuge = megabyteLines();
        const int known = static_cast<int>(kOddLines.size());
        const int pick = randomBelow(known + (game < kSettledGame ? 2 : 6));
        if (pick < known) return kOddLines[pick];
        if (pick == known) {
            std::string word = "ZQ";
            for (int i = randomBelow(12); i >= 0; --i) word += "abcXYZ019_#!?.,;:"[randomBelow(17)];
            std::string upper = word;
            for (char& c : upper)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            return {word + " and more words", {unknownCommand(upper)}};
        }
        if (pick == known + 1) {
            int taken = 0;
            while (board[taken] == tools::kNone) ++taken;
            return {"TURN " + moveText(taken), {kCoordinatesError}};
        }
        return kHuge[pick - known - 2];
    }

    void playGame(int game) {
        board = Stones{};
        over = false;
        const int opening = randomBelow(10);
        if (opening == 0) openInterruptedGame();
        else if (opening == 1) openImpossibleGame();
        else openGame();
        if (::testing::Test::HasFatalFailure()) return;
        for (int turn = 0; turn < kTurnsPerGame && !over; ++turn) {
            while (randomBelow(3) == 0) ASSERT_TRUE(sendOddLine(engine, oddLine(game)));
            const int move = opponentMove();
            over = tools::makesExactFive(board, move, kOpponentStone);
            board[move] = kOpponentStone;
            const std::string line = (randomBelow(2) == 0 ? "TURN " : "turn ") + moveText(move);
            ASSERT_TRUE(engine.sendRaw(line + (randomBelow(4) == 0 ? "\r\n" : "\n")));
            expectEngineMove(line);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }

    EngineClient engine;
    std::mt19937_64 generator{20240601};
    Stones board{};  // the test's own record of the game
    bool over = true;
};

TEST_F(LongSession, HundredsOfShortGamesWithOddLinesStayExactAndFlat) {
    long settledKb = 0;
    for (int game = 0; game < kGames; ++game) {
        if (game == 1) {  // every kind of megabyte line once before the memory is first measured
            for (const OddLine& line : megabyteLines()) ASSERT_TRUE(sendOddLine(engine, line));
        }
        if (game == kSettledGame) settledKb = residentKb(engine.pid());
        playGame(game);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "in game " << game;
    }
    const long lastKb = residentKb(engine.pid());
    engine.endAndExpectExit();
    if (kMemoryChecked) {
        ASSERT_GT(settledKb, 0);
        EXPECT_LE(lastKb, settledKb + kRssToleranceKb)
            << "resident memory grew from " << settledKb << " kB at game " << kSettledGame
            << " to " << lastKb << " kB after game " << kGames;
    }
}

}  // namespace
}  // namespace quoll::test

// Whole games of the built engine against simple scripted opponents. Every reply is judged from
// the test's own record of the game: a move "x,y" on an empty cell, a five completed whenever
// the engine has one, the opponent's five blocked otherwise, and the game won by an exact five.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "board_positions.hpp"

namespace quoll::test {
namespace {

using tools::fiveCells;
using tools::makesExactFive;
using tools::moveText;

enum class Opponent { Random, Blocker };
enum class Opening { Begin, Turn, Board };

// Empty cells within two rows and columns of a stone.
std::vector<int> nearbyEmptyCells(const Stones& board) {
    std::vector<int> cells;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] == tools::kNone && tools::nearStones(board, cell, 2)) cells.push_back(cell);
    return cells;
}

// The most stones of `stone` in one window through the cell that holds none of the other side.
int bestLine(const Stones& board, int cell, std::uint8_t stone) {
    const int row = cell / kSide;
    const int column = cell % kSide;
    int best = 0;
    for (int line = 0; line < 4; ++line) {
        const int dr = tools::kLineRowStep[line];
        const int dc = tools::kLineColumnStep[line];
        for (int start = -4; start <= 0; ++start) {
            int mine = 0;
            bool clean = true;
            for (int i = start; i < start + 5 && clean; ++i) {
                const int r = row + i * dr;
                const int c = column + i * dc;
                if (!tools::onBoard(r, c))
                    clean = false;
                else if (board[r * kSide + c] == stone)
                    ++mine;
                else if (board[r * kSide + c] != tools::kNone)
                    clean = false;
            }
            if (clean) best = std::max(best, mine);
        }
    }
    return best;
}

// The scripted opponent's move. Both kinds complete a five of their own. The random one plays
// any cell near the stones; the blocker blocks the engine's fives, then the cells where the
// engine would make two fives at once, and otherwise extends its own longest line or cuts the
// engine's, whichever is longer (its own on a tie).
int opponentMove(Opponent kind, const Stones& board, std::mt19937_64& random) {
    const std::vector<int> near = nearbyEmptyCells(board);
    const auto pick = [&](const std::vector<int>& cells) {
        return cells[std::uniform_int_distribution<std::size_t>(0, cells.size() - 1)(random)];
    };
    if (const auto own = fiveCells(board, kOpponentStone); !own.empty()) return own.front();
    if (kind == Opponent::Random) return pick(near);
    if (const auto theirs = fiveCells(board, kEngineStone); !theirs.empty()) return pick(theirs);
    std::vector<int> threats;
    for (const int cell : near)
        if (fiveCountAfter(board, cell, kEngineStone) >= 2) threats.push_back(cell);
    if (!threats.empty()) return pick(threats);
    int best = near.front();
    int bestScore = -1;
    for (const int cell : near) {
        const int attack = bestLine(board, cell, kOpponentStone);
        const int defence = bestLine(board, cell, kEngineStone);
        const int score = std::max(attack * 2 + 1, defence * 2) * 16 +
                          std::uniform_int_distribution<int>(0, 15)(random);
        if (score > bestScore) {
            bestScore = score;
            best = cell;
        }
    }
    return best;
}

std::string transcript(const std::vector<int>& moves) {
    std::string text;
    for (const int cell : moves) text += moveText(cell) + " ";
    return text;
}

// Plays one game from START on; true when the engine wins it by an exact five. Every fault is
// reported to the test together with the game so far.
bool playGame(EngineClient& engine, Opening opening, Opponent opponent, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    if (!engine.answers("START 15", "OK")) {
        ADD_FAILURE() << "START refused";
        return false;
    }
    Stones board{};
    std::string request = "BEGIN";
    if (opening == Opening::Turn) {
        std::uniform_int_distribution<int> coordinate(4, 10);
        const int cell = cellAt(coordinate(random), coordinate(random));
        board[cell] = kOpponentStone;
        request = "TURN " + moveText(cell);
    } else if (opening == Opening::Board) {
        board = randomQuietPosition(random, std::uniform_int_distribution<int>(1, 7)(random));
        sendBoardRows(engine, board);
        request = "DONE";
    }
    std::vector<int> moves;
    for (int cell = 0; cell < kCells; ++cell)
        if (board[cell] != tools::kNone) moves.push_back(cell);

    for (;;) {
        const std::vector<int> ownFives = fiveCells(board, kEngineStone);
        const std::vector<int> theirFives = fiveCells(board, kOpponentStone);
        engine.sendLine(request);
        const std::optional<std::string> line = engine.readLine();
        const std::optional<int> cell = line ? tools::parseMoveReply(*line) : std::nullopt;
        if (!cell || board[*cell] != tools::kNone) {
            ADD_FAILURE() << "reply \"" << line.value_or("(none)") << "\" to " << request
                          << " is no move on an empty cell; game: " << transcript(moves);
            return false;
        }
        if (request == "BEGIN" && *cell != cellAt(7, 7))
            ADD_FAILURE() << "the first move of a game is " << *line << ", not the centre";
        const auto among = [&](const std::vector<int>& cells) {
            return std::find(cells.begin(), cells.end(), *cell) != cells.end();
        };
        if (!ownFives.empty() && !among(ownFives))
            ADD_FAILURE() << "engine played " << *line << " instead of its five at "
                          << moveText(ownFives.front()) << "; game: " << transcript(moves);
        else if (ownFives.empty() && !theirFives.empty() && !among(theirFives))
            ADD_FAILURE() << "engine played " << *line << " instead of blocking the five at "
                          << moveText(theirFives.front()) << "; game: " << transcript(moves);
        board[*cell] = kEngineStone;
        moves.push_back(*cell);
        if (makesExactFive(board, *cell, kEngineStone)) {
            std::printf("engine won with %zu stones on the board: %s\n", moves.size(),
                        transcript(moves).c_str());
            return true;
        }
        if (tools::isFull(board)) break;
        const int answer = opponentMove(opponent, board, random);
        board[answer] = kOpponentStone;
        moves.push_back(answer);
        if (makesExactFive(board, answer, kOpponentStone)) {
            ADD_FAILURE() << "the scripted opponent won; game: " << transcript(moves);
            return false;
        }
        if (tools::isFull(board)) break;
        request = "TURN " + moveText(answer);
    }
    ADD_FAILURE() << "board full without a five; game: " << transcript(moves);
    return false;
}

constexpr int kTurnMs = 50;

// Each process starts from a BOARD opening, with nothing of an earlier game in its table.
TEST(EngineGames, BeatsRandomAndBlockingOpponentsFromEveryKindOfOpening) {
    std::uint64_t seed = 11;
    for (const Opponent opponent : {Opponent::Random, Opponent::Blocker, Opponent::Blocker}) {
        EngineClient engine;
        startEngine(engine, kTurnMs);
        for (int round = 0; round < 2; ++round)
            for (const Opening opening : {Opening::Board, Opening::Begin, Opening::Turn}) {
                EXPECT_TRUE(playGame(engine, opening, opponent, seed)) << "seed " << seed;
                ++seed;
            }
        engine.endAndExpectExit();
    }
}

}  // namespace
}  // namespace quoll::test

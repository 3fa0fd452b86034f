#pragma once
// A small tournament manager: two engine processes play games against each other through their
// pipes, and every reply is judged the way a real manager judges it. Each game begins with START
// and the time settings; the first move request of each engine carries the whole position (BEGIN
// on an empty board, else a BOARD block), later ones the opponent's last move (TURN), each after
// INFO time_left with the engine's remaining game time. A reply must be a move on an empty cell
// within the turn limit plus a tolerance; a game ends with an exact five or a full board, or is
// forfeited by an illegal move, a time-out or a crash. Header-only, for the match tool and its
// test.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "tools/engine_process.hpp"
#include "tools/referee.hpp"

namespace quoll::tools {

struct MatchOptions {
    std::string enginePath;    // engine 0
    std::string opponentPath;  // engine 1; the same program as engine 0 when empty
    int games = 2;
    int turnMs = 1000;      // INFO timeout_turn
    int matchMs = 180000;   // INFO timeout_match: each engine's time for one game
    int toleranceMs = 250;  // a reply later than turnMs + toleranceMs is a time-out
    int openingStones = 4;  // random openings of 0 .. openingStones stones
    long long maxMemory = 83886080;
    std::uint64_t seed = 1;
};

enum class GameEnd { Five, FullBoard, IllegalMove, TimeOut, Crash };

struct GameResult {
    GameEnd end = GameEnd::FullBoard;
    int winner = -1;  // engine 0 or 1; -1 for a draw
    int firstEngine = 0;
    int openingStones = 0;
    std::vector<int> moves;  // every stone in the order placed, the opening included
    std::string detail;      // what went wrong, for a forfeit
};

struct MatchSummary {
    std::vector<GameResult> games;
    std::array<int, 2> wins{};
    int firstPlayerWins = 0;
    int draws = 0;
    int illegalMoves = 0;
    int timeOuts = 0;
    int crashes = 0;
    int replies = 0;
    double slowestReplyMs = 0;  // the longest time any move took
    // The largest reply time minus the budget the engine had, and minus the turn limit; negative
    // when every reply came early.
    double mostOverBudgetMs = -1e9;
    double mostOverTurnMs = -1e9;
    bool clean() const { return illegalMoves == 0 && timeOuts == 0 && crashes == 0; }
};

namespace detail {

using Clock = std::chrono::steady_clock;

// The engine's own budget for a move: a twentieth of its remaining time, at most the turn limit.
inline double moveBudgetMs(long long timeLeftMs, int turnMs) {
    return static_cast<double>(std::min<long long>(timeLeftMs / 20, turnMs));
}

struct Reply {
    std::optional<std::string> line;   // the move line; nothing when no line came
    std::vector<std::string> skipped;  // MESSAGE and DEBUG lines before it
    double elapsedMs = 0;
};

// Sends the request's last line and waits for the first line that is not a MESSAGE or DEBUG.
inline Reply request(EngineProcess& engine, const std::string& line, int waitMs) {
    Reply reply;
    const auto begin = Clock::now();
    const auto deadline = begin + std::chrono::milliseconds(waitMs);
    if (engine.sendLine(line)) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            std::optional<std::string> text =
                engine.readLine(std::max(left, std::chrono::milliseconds(0)));
            if (!text) break;
            if (text->rfind("MESSAGE", 0) == 0 || text->rfind("DEBUG", 0) == 0) {
                reply.skipped.push_back(*text);
                continue;
            }
            reply.line = std::move(text);
            break;
        }
    }
    reply.elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    return reply;
}

class Match {
  public:
    Match(const MatchOptions& options, std::ostream& log)
        : options_(options), log_(log), random_(options.seed) {}

    MatchSummary run() {
        for (int e = 0; e < 2; ++e) restart(e);
        for (int g = 0; g < options_.games; ++g) {
            GameResult result = playGame(g);
            report(g, result);
            summary_.games.push_back(std::move(result));
        }
        for (int e = 0; e < 2; ++e) {
            engines_[e]->sendLine("END");
            const std::optional<int> code = engines_[e]->waitExit(std::chrono::milliseconds(10000));
            if (code != 0) {
                ++summary_.crashes;
                log_ << "engine " << e << " did not exit cleanly after END\n";
            }
        }
        printSummary();
        return summary_;
    }

  private:
    void restart(int e) {
        const std::string& path =
            e == 1 && !options_.opponentPath.empty() ? options_.opponentPath : options_.enginePath;
        engines_[e] = std::make_unique<EngineProcess>();
        if (!engines_[e]->startBrain(path))
            log_ << "engine " << e << " could not be started: " << path << "\n";
    }

    // Settings and START for a new game; false when the engine does not answer OK.
    bool startGame(int e) {
        EngineProcess& engine = *engines_[e];
        engine.sendLine("INFO timeout_turn " + std::to_string(options_.turnMs));
        engine.sendLine("INFO timeout_match " + std::to_string(options_.matchMs));
        engine.sendLine("INFO time_left " + std::to_string(options_.matchMs));
        engine.sendLine("INFO max_memory " + std::to_string(options_.maxMemory));
        engine.sendLine("INFO game_type 1");
        engine.sendLine("INFO rule 0");
        const Reply reply = request(engine, "START 15", 30000);
        return reply.line == "OK";
    }

    // A random opening near the centre: stones alternate, the first player's first.
    std::vector<int> randomOpening() {
        const int count =
            std::uniform_int_distribution<int>(0, std::max(0, options_.openingStones))(random_);
        std::vector<int> cells;
        while (static_cast<int>(cells.size()) < count) {
            const int row = std::uniform_int_distribution<int>(4, 10)(random_);
            const int column = std::uniform_int_distribution<int>(4, 10)(random_);
            const int cell = row * kSide + column;
            if (std::find(cells.begin(), cells.end(), cell) == cells.end()) cells.push_back(cell);
        }
        return cells;
    }

    // The request that asks engine e for its move: the whole position on its first move of the
    // game, else the opponent's last move. Every line but the last is sent here.
    std::string moveRequest(int e, bool informed, const GameResult& game, const Stones& board,
                            std::uint8_t ownStone) {
        EngineProcess& engine = *engines_[e];
        if (informed) return "TURN " + moveText(game.moves.back());
        if (game.moves.empty()) return "BEGIN";
        engine.sendLine("BOARD");
        for (const int cell : game.moves)
            engine.sendLine(moveText(cell) + "," + (board[cell] == ownStone ? "1" : "2"));
        return "DONE";
    }

    void forfeit(GameResult& game, GameEnd end, int loser, std::string detail) {
        game.end = end;
        game.winner = 1 - loser;
        game.detail = "engine " + std::to_string(loser) + ": " + detail;
        if (end == GameEnd::IllegalMove) ++summary_.illegalMoves;
        if (end == GameEnd::TimeOut) ++summary_.timeOuts;
        if (end == GameEnd::Crash) ++summary_.crashes;
    }

    GameResult playGame(int g) {
        GameResult game;
        game.firstEngine = g % 2;
        for (int e = 0; e < 2; ++e) {
            if (!startGame(e)) {
                forfeit(game, GameEnd::Crash, e, "no OK after START");
                restart(e);
                return game;
            }
        }
        Stones board{};
        std::array<std::uint8_t, 2> stoneOf{};
        stoneOf[game.firstEngine] = kBlackStone;
        stoneOf[1 - game.firstEngine] = kWhiteStone;
        const std::vector<int> opening = randomOpening();
        game.openingStones = static_cast<int>(opening.size());
        std::uint8_t stone = kBlackStone;
        for (const int cell : opening) {
            board[cell] = stone;
            game.moves.push_back(cell);
            stone = otherStone(stone);
        }
        std::array<bool, 2> informed{};
        std::array<long long, 2> timeLeftMs{options_.matchMs, options_.matchMs};
        int e = stoneOf[0] == stone ? 0 : 1;
        // Long enough to tell a slow reply from a hung engine.
        const int waitMs = options_.turnMs + options_.toleranceMs + 10000;

        for (;;) {
            EngineProcess& engine = *engines_[e];
            engine.sendLine("INFO time_left " + std::to_string(timeLeftMs[e]));
            const std::string last = moveRequest(e, informed[e], game, board, stoneOf[e]);
            const Reply reply = request(engine, last, waitMs);
            informed[e] = true;
            const double budget = moveBudgetMs(timeLeftMs[e], options_.turnMs);
            if (!reply.line) {
                const std::optional<int> code = engine.waitExit(std::chrono::milliseconds(100));
                forfeit(game, GameEnd::Crash, e,
                        code ? "exited with code " + std::to_string(*code) + " instead of a move"
                             : "no reply within " + std::to_string(waitMs) + " ms");
                restart(e);
                return game;
            }
            ++summary_.replies;
            summary_.slowestReplyMs = std::max(summary_.slowestReplyMs, reply.elapsedMs);
            summary_.mostOverBudgetMs =
                std::max(summary_.mostOverBudgetMs, reply.elapsedMs - budget);
            summary_.mostOverTurnMs =
                std::max(summary_.mostOverTurnMs, reply.elapsedMs - options_.turnMs);
            const std::optional<int> cell = parseMoveReply(*reply.line);
            if (!cell || board[*cell] != kNone) {
                forfeit(game, GameEnd::IllegalMove, e,
                        "illegal reply \"" + *reply.line + "\" to " + last);
                restart(e);
                return game;
            }
            timeLeftMs[e] -= static_cast<long long>(reply.elapsedMs);
            if (reply.elapsedMs > options_.turnMs + options_.toleranceMs || timeLeftMs[e] < 0) {
                forfeit(game, GameEnd::TimeOut, e,
                        "reply " + *reply.line + " after " + std::to_string(reply.elapsedMs) +
                            " ms, turn limit " + std::to_string(options_.turnMs) + " ms");
                return game;
            }
            board[*cell] = stoneOf[e];
            game.moves.push_back(*cell);
            if (makesExactFive(board, *cell, stoneOf[e])) {
                game.end = GameEnd::Five;
                game.winner = e;
                return game;
            }
            if (isFull(board)) {
                game.end = GameEnd::FullBoard;
                return game;
            }
            e = 1 - e;
        }
    }

    void report(int g, const GameResult& game) {
        log_ << "game " << g + 1 << ": engine " << game.firstEngine << " first, opening of "
             << game.openingStones << " stones, " << game.moves.size() << " stones in all: ";
        switch (game.end) {
            case GameEnd::Five:
                log_ << "engine " << game.winner << " wins by five";
                break;
            case GameEnd::FullBoard:
                log_ << "draw, board full";
                break;
            case GameEnd::IllegalMove:
                log_ << "illegal move, " << game.detail;
                break;
            case GameEnd::TimeOut:
                log_ << "time-out, " << game.detail;
                break;
            case GameEnd::Crash:
                log_ << "crash, " << game.detail;
                break;
        }
        log_ << "\n  moves:";
        for (const int cell : game.moves) log_ << ' ' << moveText(cell);
        log_ << "\n";
        if (game.winner >= 0) {
            ++summary_.wins[game.winner];
            if (game.winner == game.firstEngine) ++summary_.firstPlayerWins;
        } else {
            ++summary_.draws;
        }
    }

    void printSummary() {
        log_ << "games " << summary_.games.size() << ": engine 0 won " << summary_.wins[0]
             << ", engine 1 won " << summary_.wins[1] << ", first player won "
             << summary_.firstPlayerWins << ", draws " << summary_.draws << "\n"
             << "illegal moves " << summary_.illegalMoves << ", time-outs " << summary_.timeOuts
             << " (turn limit " << options_.turnMs << " ms + tolerance " << options_.toleranceMs
             << " ms), crashes " << summary_.crashes << "\n"
             << "replies " << summary_.replies << ", slowest " << summary_.slowestReplyMs
             << " ms, slowest minus budget " << summary_.mostOverBudgetMs
             << " ms, slowest minus turn limit " << summary_.mostOverTurnMs << " ms\n";
    }

    MatchOptions options_;
    std::ostream& log_;
    std::mt19937_64 random_;
    std::array<std::unique_ptr<EngineProcess>, 2> engines_;
    MatchSummary summary_;
};

}  // namespace detail

// Plays the match and writes each game and the totals to `log`.
inline MatchSummary runMatch(const MatchOptions& options, std::ostream& log) {
    return detail::Match(options, log).run();
}

}  // namespace quoll::tools

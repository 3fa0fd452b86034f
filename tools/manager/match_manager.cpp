#include "tools/manager/match_manager.hpp"

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

#include "tools/manager/referee.hpp"

namespace quoll::tools {
namespace {

// The engine's own budget for a move: a twentieth of its remaining time, at most the turn limit.
double moveBudgetMs(long long timeLeftMs, int turnMs) {
    return static_cast<double>(std::min<long long>(timeLeftMs / 20, turnMs));
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
        engine.sendLine("INFO rule 1");  // exact five, the rule the referee judges
        // Limits that bind before the clock make the games the same on every run.
        if (options_.maxDepth > 0)
            engine.sendLine("INFO max_depth " + std::to_string(options_.maxDepth));
        const long long nodes =
            options_.enginesNodes[e] >= 0 ? options_.enginesNodes[e] : options_.maxNodes;
        if (nodes > 0) engine.sendLine("INFO max_node " + std::to_string(nodes));
        const EngineReply reply = requestReply(engine, "START 15", 30000);
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
            const EngineReply reply = requestReply(engine, last, waitMs);
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

}  // namespace

MatchSummary runMatch(const MatchOptions& options, std::ostream& log) {
    return Match(options, log).run();
}

}  // namespace quoll::tools

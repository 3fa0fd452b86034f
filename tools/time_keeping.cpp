// How closely the engine keeps its move budget when the machine is busy.
//
// Starts pbrain-quoll as a child process, keeps the other core busy with a spinning thread, and
// asks for moves at the budgets 0, 10, 100 and 1000 ms (INFO TIMEOUT_TURN, with a match time
// that never lowers it). The positions vary: games from random openings against a second engine
// process (20 ms a move), sent move by move with TURN, and random dense or
// threat-crowded positions sent with BOARD. For every budget it prints the distribution of the
// reply time minus the budget; the target is a 99th percentile within 5 ms over the budget.
// On a shared machine other processes take the engine's core now and then: the second table
// subtracts the time the engine, or this tool's thread reading the reply, waited for a CPU
// during the request (run-queue wait from schedstat), which bounds from above what the engine
// overran by itself.
//
//   time_keeping [engine path] [--requests N] [--seed N] [--no-load]
//
// The engine path defaults to pbrain-quoll in the build folder above this tool's; a Windows
// pbrain-quoll.exe is run under Wine.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include <unistd.h>
#include <vector>

#include "board/state.hpp"
#include "search/stress_positions.hpp"
#include "tools/engine_process.hpp"

using namespace quoll;
using quoll::tools::EngineProcess;

namespace {

struct Options {
    std::string engine;
    int requests = 0;  // per budget; 0: the default counts below
    std::uint64_t seed = 20240601;
    bool load = true;
};

struct BudgetRun {
    int budgetMs;
    int requests;  // default count: about a minute at 1000 ms
};
constexpr BudgetRun kBudgets[] = {{0, 400}, {10, 400}, {100, 200}, {1000, 60}};

std::string defaultEnginePath(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = std::filesystem::absolute(argv0);
    return (self.parent_path().parent_path() / "pbrain-quoll").string();
}

Options parseOptions(int argc, char** argv) {
    Options options;
    options.engine = defaultEnginePath(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--requests" && i + 1 < argc) {
            options.requests = std::atoi(argv[++i]);
        } else if (argument == "--seed" && i + 1 < argc) {
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (argument == "--no-load") {
            options.load = false;
        } else if (!argument.starts_with("--")) {
            options.engine = argument;
        } else {
            std::fprintf(stderr, "usage: time_keeping [engine] [--requests N] [--seed N] [--no-load]\n");
            std::exit(2);
        }
    }
    return options;
}

std::optional<Cell> parseMove(const std::string& line) {
    int x = -1, y = -1;
    char tail = 0;
    if (std::sscanf(line.c_str(), "%d,%d%c", &x, &y, &tail) != 2) return std::nullopt;
    if (x < 0 || x >= kBoardSize || y < 0 || y >= kBoardSize) return std::nullopt;
    return makeCell(y, x);
}

// The game as the tool keeps it: the engine's stones are kOwnStone.
struct Game {
    Board board{};
    std::vector<Cell> moves;
    bool over = true;

    void play(Cell cell, std::uint8_t stone) {
        board[cell] = stone;
        moves.push_back(cell);
        if (makesFiveOrMore(board, cell) || moves.size() == kCellCount) over = true;
    }
};

std::string cellWords(Cell cell) {
    return std::to_string(cellColumn(cell)) + "," + std::to_string(cellRow(cell));
}

// The whole position as a BOARD block with players, seen by `self` (its stones are player 1).
std::string boardBlock(const Board& board, const std::vector<Cell>& moves, std::uint8_t self) {
    std::string block = "BOARD\n";
    for (const Cell cell : moves)
        block += cellWords(cell) + (board[cell] == self ? ",1\n" : ",2\n");
    return block;
}

std::optional<Cell> freeCellReply(const std::optional<std::string>& reply, const Board& board) {
    const std::optional<Cell> cell = reply ? parseMove(*reply) : std::nullopt;
    if (!cell || board[*cell] != kEmpty) return std::nullopt;
    return cell;
}

// Nanoseconds a thread (the main thread of a process by its pid) has waited on a run queue for
// a CPU so far; 0 when unknown.
std::int64_t runQueueWaitNs(const std::string& schedstat) {
    std::FILE* file = std::fopen(schedstat.c_str(), "r");
    if (file == nullptr) return 0;
    long long running = 0, waiting = 0;
    if (std::fscanf(file, "%lld %lld", &running, &waiting) != 2) waiting = 0;
    std::fclose(file);
    return waiting;
}

struct Measurement {
    std::int64_t replyNs;
    std::int64_t waitNs;  // of it, time the engine or this tool's reader waited for a CPU
};

// Run-queue wait of the engine and of the thread reading its replies: time during which one
// of them was ready to run but another process had the CPU.
struct WaitClock {
    std::string engine;
    std::string reader = "/proc/self/task/" + std::to_string(gettid()) + "/schedstat";
    std::int64_t now() const { return runQueueWaitNs(engine) + runQueueWaitNs(reader); }
};

class Runner {
  public:
    Runner(EngineProcess& engine, EngineProcess& opponent, std::uint64_t seed)
        : engine_(engine), opponent_(opponent), random_(seed),
          waits_{"/proc/" + std::to_string(engine.pid()) + "/schedstat"} {}

    // One timed move request on a varied position; nothing when an engine gave no move.
    std::optional<Measurement> request() {
        // Every fourth request a random position by BOARD, else a game goes on by TURN.
        if (++count_ % 4 == 0) return boardRequest();
        while (game_.over || game_.moves.size() > 100)
            if (!newGame()) return std::nullopt;
        // The opponent engine sees the whole position and answers.
        opponent_.sendRaw(boardBlock(game_.board, game_.moves, kOpponentStone));
        const std::optional<Cell> move = freeCellReply(opponent_.timedRequest("DONE").line, game_.board);
        if (!move) {
            std::fprintf(stderr, "the opponent engine gave no move\n");
            return std::nullopt;
        }
        game_.play(*move, kOpponentStone);
        if (game_.over) return request();
        return timed("TURN " + cellWords(*move));
    }

  private:
    // A short random opening near the centre with the opponent's stone last; the engine
    // answers it (untimed).
    bool newGame() {
        game_ = Game{};
        game_.over = false;
        const int stones = 1 + static_cast<int>(random_() % 6) * 2;
        std::uint8_t stone = kOpponentStone;
        while (static_cast<int>(game_.moves.size()) < stones) {
            const Cell cell = makeCell(4 + static_cast<int>(random_() % 7), 4 + static_cast<int>(random_() % 7));
            if (game_.board[cell] != kEmpty) continue;
            game_.play(cell, stone);
            stone = stone == kOwnStone ? kOpponentStone : kOwnStone;
        }
        if (game_.over) return true;  // a five by chance: the next call draws another
        engine_.sendRaw(boardBlock(game_.board, game_.moves, kOwnStone));
        const std::optional<Cell> answer = freeCellReply(engine_.timedRequest("DONE").line, game_.board);
        if (!answer) return false;
        game_.play(*answer, kOwnStone);
        return true;
    }

    std::optional<Measurement> boardRequest() {
        const std::uint64_t seed = random_();
        const int stones = 10 + static_cast<int>(random_() % 140);
        const GameRecord record = seed % 2 == 0 ? randomDensePosition(seed, stones)
                                                : randomThreatPosition(seed, stones);
        engine_.sendRaw(boardBlock(record.board, record.moves, kOwnStone));
        // The engine's record is this position now: the game goes on from a new opening.
        game_.over = true;
        return timed("DONE", &record.board);
    }

    // Times the request; a TURN's answer goes into the game.
    std::optional<Measurement> timed(const std::string& line, const Board* board = nullptr) {
        const std::int64_t waitBefore = waits_.now();
        const EngineProcess::TimedReply reply = engine_.timedRequest(line);
        const std::int64_t waited = waits_.now() - waitBefore;
        const std::optional<Cell> cell = freeCellReply(reply.line, board ? *board : game_.board);
        if (!cell) {
            std::fprintf(stderr, "no move on a free cell in reply to %s: %s\n", line.c_str(),
                         reply.line ? reply.line->c_str() : "(none)");
            return std::nullopt;
        }
        if (board == nullptr) game_.play(*cell, kOwnStone);
        return Measurement{reply.elapsed.count(), waited};
    }

    EngineProcess& engine_;
    EngineProcess& opponent_;
    std::mt19937_64 random_;
    Game game_;
    int count_ = 0;
    WaitClock waits_;
};

double percentile(const std::vector<double>& sorted, double fraction) {
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

bool startEngine(EngineProcess& engine, const std::string& path, int budgetMs) {
    if (!engine.startBrain(path)) return false;
    engine.sendLine("INFO MAX_MEMORY 83886080");
    engine.sendLine("INFO TIME_LEFT 2147483647");
    engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(budgetMs));
    engine.sendLine("START 15");
    const std::optional<std::string> ok = engine.readLine();
    return ok && *ok == "OK";
}

void printRow(int budgetMs, std::vector<double> overMs, bool countPast) {
    std::sort(overMs.begin(), overMs.end());
    // Searches still running at the soft deadline, a third of the budget: the ones that test
    // the hard deadline.
    const auto past = std::count_if(overMs.begin(), overMs.end(),
                                    [&](double over) { return over + budgetMs > budgetMs / 3.0; });
    const std::string pastText = countPast ? std::to_string(past) : "";
    std::printf("%8d %8zu %8s %12.3f %12.3f %12.3f\n", budgetMs, overMs.size(), pastText.c_str(),
                percentile(overMs, 0.5), percentile(overMs, 0.99), overMs.back());
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    std::atomic<bool> spinning{options.load};
    std::thread load([&] {
        volatile std::uint64_t sink = 0;
        while (spinning.load(std::memory_order_relaxed)) sink = sink + 1;
    });
    auto finish = [&](int code) {
        spinning = false;
        load.join();
        return code;
    };

    EngineProcess engine;
    EngineProcess opponent;
    constexpr int kOpponentBudgetMs = 20;  // strong enough that games stay open
    if (!startEngine(engine, options.engine, 0) ||
        !startEngine(opponent, options.engine, kOpponentBudgetMs)) {
        std::fprintf(stderr, "cannot start %s\n", options.engine.c_str());
        return finish(1);
    }

    std::printf("engine %s, other core %s\n", options.engine.c_str(), options.load ? "busy" : "idle");
    std::vector<std::vector<double>> overMs, ownOverMs;
    bool failed = false;
    Runner runner(engine, opponent, options.seed);
    for (const BudgetRun& run : kBudgets) {
        engine.sendLine("INFO TIMEOUT_TURN " + std::to_string(run.budgetMs));
        const int requests = options.requests > 0 ? options.requests : run.requests;
        overMs.emplace_back();
        ownOverMs.emplace_back();
        for (int i = 0; i < requests && !failed; ++i) {
            const std::optional<Measurement> measured = runner.request();
            if (!measured) {
                failed = true;
                break;
            }
            const double over = static_cast<double>(measured->replyNs) / 1e6 - run.budgetMs;
            overMs.back().push_back(over);
            ownOverMs.back().push_back(over - static_cast<double>(measured->waitNs) / 1e6);
        }
        if (overMs.back().empty()) overMs.pop_back(), ownOverMs.pop_back();
    }
    engine.sendLine("END");
    opponent.sendLine("END");
    engine.waitExit();
    opponent.waitExit();

    bool metTarget = !failed;
    std::printf("%8s %8s %8s %12s %12s %12s  reply time minus budget, ms\n", "budget",
                "requests", "past 1/3", "median", "99th", "max");
    for (std::size_t b = 0; b < overMs.size(); ++b) {
        printRow(kBudgets[b].budgetMs, overMs[b], true);
        std::vector<double> sorted = overMs[b];
        std::sort(sorted.begin(), sorted.end());
        metTarget = metTarget && percentile(sorted, 0.99) <= 5.0;
    }
    std::printf("%8s %8s %8s %12s %12s %12s  the same less the time spent waiting for a CPU\n",
                "budget", "requests", "", "median", "99th", "max");
    std::printf("%61s(at most what the engine overran by itself)\n", "");
    for (std::size_t b = 0; b < ownOverMs.size(); ++b) printRow(kBudgets[b].budgetMs, ownOverMs[b], false);
    std::printf("target (99th percentile within 5 ms over the budget): %s\n",
                failed ? "not measured, an engine failed" : metTarget ? "met" : "missed");
    return finish(failed ? 1 : 0);
}

// Whether the engine's replies stay within the manager's turn limit when the machine is busy.
//
// Starts pbrain-quoll as a child process, keeps the other core busy with a spinning thread, and
// asks for moves at the turn limits of 50, 200 and 1000 ms, as a tournament manager does: one
// engine process for the whole run, and every game opened by START (not timed) followed by the
// manager's INFO lines (turn and match limits, time left, the memory limit) and the position.
// The manager's clock counts every command but START, so a reply is timed from the write of
// the first line after the previous reply (the INFO lines included) to the read of the reply.
// The positions vary: games from random openings against a second engine process (20 ms a
// move), sent move by move with TURN (each after INFO time_left), and random dense or
// threat-crowded positions opening a game of their own. For every limit it prints how many
// replies came late and the distribution of reply time minus the limit; no reply may be late.
// It also prints the run's first reply on its own, the one that brings the engine's table into
// memory, and how long START took to answer.
// On a shared machine other processes take the engine's core now and then: the second table
// subtracts the time the engine, or this tool's thread reading the reply, waited for a CPU
// during the request (run-queue wait from schedstat), which bounds from above what the engine
// overran by itself.
//
//   time_keeping [engine path] [--requests N] [--seed N] [--no-load] [--detail] [--depth N]
//                [--nodes N]
//
// Without --requests it runs the full measurement: 2,000 replies at 50 ms, 1,000 at 200 ms and
// 300 at 1000 ms (about a quarter of an hour). --requests N asks for N replies at each limit.
// The engine path defaults to pbrain-quoll in the build folder above this tool's; a Windows
// pbrain-quoll.exe is run under Wine. --detail, --depth and --nodes send the engine INFO
// show_detail 1, max_depth N and max_node N with every game's settings: its detail lines are
// read past as a manager reads past MESSAGE lines, and the reply is the move after them.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "board/state.hpp"
#include "testkit/stress_positions.hpp"
#include "tools/manager/engine_process.hpp"

using namespace quoll;
using quoll::tools::EngineProcess;
using quoll::tools::EngineReply;
using quoll::tools::makeAbsoluteRunnable;
using quoll::tools::requestReply;

namespace {

struct Options {
    std::string engine;
    int requests = 0;  // per limit; 0: the full measurement's counts below
    std::uint64_t seed = 20240601;
    bool load = true;
    std::string extraInfo;  // the opt-in INFO lines of --detail, --depth and --nodes
};

struct LimitRun {
    int turnMs;
    int requests;
};
constexpr LimitRun kLimits[] = {{50, 2000}, {200, 1000}, {1000, 300}};

// The memory limit the manager sends before every game.
constexpr std::int64_t kMaxMemoryBytes = 64 << 20;
// How long a move may take before the engine counts as hung.
constexpr int kReplyWaitMs = 30000;

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
        } else if (argument == "--detail") {
            options.extraInfo += "INFO show_detail 1\n";
        } else if ((argument == "--depth" || argument == "--nodes") && i + 1 < argc) {
            const char* key = argument == "--depth" ? "max_depth" : "max_node";
            options.extraInfo += std::string("INFO ") + key + " " + argv[++i] + "\n";
        } else if (!argument.starts_with("--")) {
            options.engine = argument;
        } else {
            std::fprintf(stderr,
                         "usage: time_keeping [engine] [--requests N] [--seed N] [--no-load] "
                         "[--detail] [--depth N] [--nodes N]\n");
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

// The whole position as a BOARD block with players, seen by `self` (its stones are player 1); the
// request adds the line end of its DONE.
std::string boardBlock(const Board& board, const std::vector<Cell>& moves, std::uint8_t self) {
    std::string block = "BOARD\n";
    for (const Cell cell : moves)
        block += cellWords(cell) + (board[cell] == self ? ",1\n" : ",2\n");
    return block + "DONE";
}

// The lines a manager sends after START and before the first move of a game.
std::string gameInfoLines(int turnMs, const std::string& extraInfo = "") {
    return "INFO timeout_turn " + std::to_string(turnMs) +
           "\nINFO timeout_match 2147483647\nINFO time_left 2147483647\nINFO max_memory " +
           std::to_string(kMaxMemoryBytes) + "\nINFO game_type 1\nINFO rule 1\n" + extraInfo;
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
    double replyMs;
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
    Runner(EngineProcess& engine, EngineProcess& opponent, std::uint64_t seed,
           std::string extraInfo)
        : engine_(engine),
          opponent_(opponent),
          extraInfo_(std::move(extraInfo)),
          random_(seed),
          waits_{"/proc/" + std::to_string(engine.pid()) + "/schedstat"} {}

    void setTurnLimit(int turnMs) {
        turnMs_ = turnMs;
        game_.over = true;  // the next request opens a game with the new limit
    }

    // One timed move request on a varied position; nothing when an engine gave no move.
    std::optional<Measurement> request() {
        // Every fourth request a random position opens a game, else a game goes on by TURN.
        if (++count_ % 4 == 0) return boardGame();
        if (game_.over || game_.moves.size() > 100) return newGame();
        // The opponent engine sees the whole position and answers.
        const EngineReply answer = requestReply(
            opponent_, boardBlock(game_.board, game_.moves, kOpponentStone), kReplyWaitMs);
        const std::optional<Cell> move = freeCellReply(answer.line, game_.board);
        if (!move) {
            std::fprintf(stderr, "the opponent engine gave no move\n");
            return std::nullopt;
        }
        game_.play(*move, kOpponentStone);
        if (game_.over) return newGame();
        return timed("INFO time_left 2147483647\nTURN " + cellWords(*move), game_.board);
    }

    // How long each START took to answer, in ms.
    const std::vector<double>& startMs() const { return startMs_; }

  private:
    // START, not timed by the manager but measured here; its OK must come.
    bool startGame() {
        const EngineReply ok = requestReply(engine_, "START 15", kReplyWaitMs);
        startMs_.push_back(ok.elapsedMs);
        if (ok.line == "OK") return true;
        std::fprintf(stderr, "START answered %s\n", ok.line ? ok.line->c_str() : "(nothing)");
        return false;
    }

    // A short random opening near the centre with the opponent's stone last, sent as a new
    // game; the engine's answer is timed.
    std::optional<Measurement> newGame() {
        do {
            game_ = Game{};
            game_.over = false;
            const int stones = 1 + static_cast<int>(random_() % 6) * 2;
            std::uint8_t stone = kOpponentStone;
            while (static_cast<int>(game_.moves.size()) < stones) {
                const Cell cell = makeCell(4 + static_cast<int>(random_() % 7),
                                           4 + static_cast<int>(random_() % 7));
                if (game_.board[cell] != kEmpty) continue;
                game_.play(cell, stone);
                stone = stone == kOwnStone ? kOpponentStone : kOwnStone;
            }
        } while (game_.over);  // a five by chance: draw another
        if (!startGame()) return std::nullopt;
        return timed(
            gameInfoLines(turnMs_, extraInfo_) + boardBlock(game_.board, game_.moves, kOwnStone),
            game_.board);
    }

    // A random dense or threat-crowded position as a game of its own; the game by TURN then
    // goes on from a new opening.
    std::optional<Measurement> boardGame() {
        const std::uint64_t seed = random_();
        const int stones = 10 + static_cast<int>(random_() % 140);
        const GameRecord record =
            seed % 2 == 0 ? randomDensePosition(seed, stones) : randomThreatPosition(seed, stones);
        game_.over = true;
        if (!startGame()) return std::nullopt;
        Board board = record.board;
        return timed(
            gameInfoLines(turnMs_, extraInfo_) + boardBlock(record.board, record.moves, kOwnStone),
            board, false);
    }

    // Sends the lines at once and times them up to the read of the reply, a move on a free cell
    // of `board`; the move goes into the game when `intoGame`.
    std::optional<Measurement> timed(const std::string& lines, Board& board, bool intoGame = true) {
        const std::int64_t waitBefore = waits_.now();
        const EngineReply reply = requestReply(engine_, lines, kReplyWaitMs);
        const std::int64_t waited = waits_.now() - waitBefore;
        const std::optional<Cell> cell = freeCellReply(reply.line, board);
        if (!cell) {
            std::fprintf(stderr, "no move on a free cell in reply to %s: %s\n", lines.c_str(),
                         reply.line ? reply.line->c_str() : "(none)");
            return std::nullopt;
        }
        if (intoGame) game_.play(*cell, kOwnStone);
        return Measurement{reply.elapsedMs, waited};
    }

    EngineProcess& engine_;
    EngineProcess& opponent_;
    std::string extraInfo_;
    std::mt19937_64 random_;
    Game game_;
    int count_ = 0;
    int turnMs_ = 0;
    WaitClock waits_;
    std::vector<double> startMs_;
};

double percentile(const std::vector<double>& sorted, double fraction) {
    const auto index =
        static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

bool startOpponent(EngineProcess& engine, const std::string& path, int turnMs) {
    if (!engine.startBrain(path)) return false;
    engine.sendRaw(gameInfoLines(turnMs));
    return requestReply(engine, "START 15", kReplyWaitMs).line == "OK";
}

// Prints one row; returns the number of late replies.
long printRow(int turnMs, std::vector<double> overMs, bool countLate) {
    std::sort(overMs.begin(), overMs.end());
    const long late =
        std::count_if(overMs.begin(), overMs.end(), [](double over) { return over > 0; });
    const std::string lateText = countLate ? std::to_string(late) : "";
    std::printf("%8d %8zu %8s %10.3f %10.3f %10.3f %10.3f\n", turnMs, overMs.size(),
                lateText.c_str(), percentile(overMs, 0.5), percentile(overMs, 0.99),
                percentile(overMs, 0.999), overMs.back());
    return late;
}

double loadAverage() {
    double load = -1;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = -1;
        std::fclose(file);
    }
    return load;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    if (!makeAbsoluteRunnable(options.engine, "time_keeping")) return 2;
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
    constexpr int kOpponentTurnMs = 20;  // strong enough that games stay open
    if (!engine.startBrain(options.engine) ||
        !startOpponent(opponent, options.engine, kOpponentTurnMs)) {
        std::fprintf(stderr, "cannot start %s\n", options.engine.c_str());
        return finish(1);
    }

    std::printf("engine %s, other core %s, load average %.2f at the start\n",
                options.engine.c_str(), options.load ? "busy" : "idle", loadAverage());
    std::vector<std::vector<double>> overMs, ownOverMs;
    bool failed = false;
    Runner runner(engine, opponent, options.seed, options.extraInfo);
    for (const LimitRun& run : kLimits) {
        runner.setTurnLimit(run.turnMs);
        const int requests = options.requests > 0 ? options.requests : run.requests;
        overMs.emplace_back();
        ownOverMs.emplace_back();
        for (int i = 0; i < requests && !failed; ++i) {
            const std::optional<Measurement> measured = runner.request();
            if (!measured) {
                failed = true;
                break;
            }
            const double over = measured->replyMs - run.turnMs;
            overMs.back().push_back(over);
            ownOverMs.back().push_back(over - static_cast<double>(measured->waitNs) / 1e6);
        }
        if (overMs.back().empty()) overMs.pop_back(), ownOverMs.pop_back();
    }
    engine.sendLine("END");
    opponent.sendLine("END");
    engine.waitExit();
    opponent.waitExit();

    long late = 0;
    std::printf("load average %.2f at the end\n", loadAverage());
    std::printf("%8s %8s %8s %10s %10s %10s %10s  reply time minus turn limit, ms\n", "limit",
                "replies", "late", "median", "99th", "99.9th", "max");
    for (std::size_t b = 0; b < overMs.size(); ++b)
        late += printRow(kLimits[b].turnMs, overMs[b], true);
    std::printf("%8s %8s %8s %10s %10s %10s %10s  the same less the time spent waiting for a CPU\n",
                "limit", "replies", "", "median", "99th", "99.9th", "max");
    std::printf("%63s(at most what the engine overran by itself)\n", "");
    for (std::size_t b = 0; b < ownOverMs.size(); ++b)
        printRow(kLimits[b].turnMs, ownOverMs[b], false);
    // The run's first reply brings the table into memory; later games keep the same table.
    if (!overMs.empty())
        std::printf("first reply of the run (%d ms, the table brought into memory): %.3f ms\n",
                    kLimits[0].turnMs, overMs[0][0]);
    if (std::vector<double> startMs = runner.startMs(); !startMs.empty()) {
        std::sort(startMs.begin(), startMs.end());
        std::printf("START answered in %.3f ms (median), %.3f ms at most, over %zu games\n",
                    percentile(startMs, 0.5), startMs.back(), startMs.size());
    }
    std::printf("target (no reply later than the turn limit): %s\n",
                failed      ? "not measured, an engine failed"
                : late == 0 ? "met"
                            : "missed");
    return finish(failed || late > 0 ? 1 : 0);
}

// The reply clock, on the fake clock of tests/support/ (every read moves it on by a fixed step):
// the budget and deadlines that the manager's INFO lines give, the search's stop at its hard
// deadline, no iteration started after the soft one, a budget too short for any search, a
// record of aborted searches that must stay the same node for node and read for read, and
// searches held by a node limit that give the same moves and detail lines on every clock.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <tuple>

#include "platform/memory.hpp"
#include "protocol/dispatcher.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/line_reader.hpp"
#include "protocol/logging.hpp"
#include "protocol/replies.hpp"
#include "protocol/settings.hpp"
#include "search/prepare.hpp"
#include "search/root.hpp"
#include "search/timer.hpp"
#include "support/fake_clock.hpp"
#include "support/oracle.hpp"
#include "testkit/stress_positions.hpp"
#include "tools/benchkit/benchmark.hpp"
#ifndef _WIN32
#include "tools/manager/engine_process.hpp"
#endif

namespace quoll::test {
namespace {

// An uptime of 11.6 days: deadlines are far from zero, as on a real machine.
constexpr std::int64_t kStartNs = 1'000'000'000'000'000;
// The search budget at TIMEOUT_TURN 50: 50 ms less 4 ms and 50/32 ms.
constexpr std::int64_t kSearchNsAt50 = 44'437'500;
// The checking build rebuilds every node's records: it leaves out the deeper searches of the
// smaller clock steps.
#ifdef QUOLL_CHECKS
constexpr std::int64_t kLeastStep = 2000;
#else
constexpr std::int64_t kLeastStep = 0;
#endif

std::vector<GameRecord> benchRecords() {
    const auto lines = readNonBlankLines(std::string(QUOLL_TEST_DATA) + "/bench/positions.txt");
    std::vector<GameRecord> records(9);
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_TRUE(lines && i < lines->size() && parseMoveList((*lines)[i], records[i])) << i;
    return records;
}

// The protocol run in this process for a test's lifetime: logging off, replies into a temporary
// file, and the settings and the table fresh at the start and at the end.
struct InProcess {
    std::FILE* file = std::tmpfile();
    InProcess() {
        switchLoggingOff();
        reset();
        replyStream = file;
    }
    ~InProcess() {
        replyStream = nullptr;
        if (file != nullptr) std::fclose(file);
        reset();
    }
    static void reset() {
        gameSettings = GameSettings{};
        engineState.table = TranspositionTable{};
    }
    std::string replies() {
        std::string replies;
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) replies += static_cast<char>(c);
        return replies;
    }
};

// INFO lines as the manager sends them, then BEGIN read at kStartNs: the deadlines, in
// nanoseconds after the read, that the think step gives the search.
TEST(ReplyBudget, InfoLinesGiveTheSearchItsDeadlines) {
    struct Row {
        const char* lines;
        std::int64_t hardNs, softNs;
    };
    const Row rows[] = {
        // The defaults, TIMEOUT_TURN 5000 and TIME_LEFT 120000: min(6000, 5000) = 5000 ms,
        // less 4 ms and 5000/32 = 156.25 ms: 4839.75 ms; a third is 1613.25 ms.
        {"", 4'839'750'000, 1'613'250'000},
        // 50 - 4 - 1.5625 = 44.4375 ms; 14.8125 ms.
        {"TIMEOUT_TURN 50|TIME_LEFT 10000000", 44'437'500, 14'812'500},
        // 1000 - 4 - 31.25 = 964.75 ms; 321.58333 ms.
        {"TIMEOUT_TURN 1000", 964'750'000, 321'583'333},
        // 5 - 4 - 0.15625 = 0.84375 ms; 0.28125 ms.
        {"TIMEOUT_TURN 5", 843'750, 281'250},
        // Shorter than the reserve: 4 - 4 - 0.125 < 0.
        {"TIMEOUT_TURN 4", 0, 0},
        {"TIMEOUT_TURN 0", 0, 0},
        {"TIMEOUT_TURN X99", 0, 0},  // no number: 0
        // A twentieth of the match time: 1000/20 = 50 ms, and 1019/20 too.
        {"TIME_LEFT 1000", 44'437'500, 14'812'500},
        {"TIME_LEFT 1019", 44'437'500, 14'812'500},
        {"TIME_LEFT 99", 0, 0},  // 4 ms, shorter than its reserve
        {"TIME_LEFT 19", 0, 0},  // 0 ms
        {"TIME_LEFT -5000", 0, 0},
        {"TIME_LEFT -99999999999", 0, 0},  // saturates at -2^31
        // The match's total time is no budget: the defaults' 5000 ms, then TIME_LEFT's 50 ms.
        {"TIMEOUT_MATCH 1000", 4'839'750'000, 1'613'250'000},
        {"TIMEOUT_MATCH 100000000|TIME_LEFT 1000", 44'437'500, 14'812'500},
        // Both saturate at 2^31 - 1 ms: 2147483647/20 = 107374182 ms, less 4 ms and
        // 3355443.1875 ms: 104018734.8125 ms; a third is 34672911.604166 ms.
        {"TIMEOUT_TURN 99999999999|TIME_LEFT 99999999999", 104'018'734'812'500, 34'672'911'604'166},
        // 2000 - 4 - 62.5 = 1933.5 ms; 644.5 ms.
        {"TIME_LEFT 4294967296000MS|TIMEOUT_TURN 2000", 1'933'500'000, 644'500'000},
    };
    const InProcess process;  // replies OK and 7,7 for each row
    ASSERT_NE(process.file, nullptr);
    for (const Row& row : rows) {
        InProcess::reset();
        ProtocolState state;
        std::string lines = std::string("MAX_MEMORY 1|") + row.lines;
        for (std::size_t at = 0, end; at < lines.size(); at = end + 1) {
            end = std::min(lines.find('|', at), lines.size());
            dispatchLine(state, "INFO " + lines.substr(at, end - at));
        }
        dispatchLine(state, "START 15");
        setFakeClock(kStartNs, 0);
        dispatchLine(state, "BEGIN");  // the centre, with no search
        EXPECT_EQ(fakeClock.reads, 1) << row.lines;
        EXPECT_EQ(searchTimer.searchStartNs, kStartNs) << row.lines;
        EXPECT_EQ(searchTimer.hardDeadlineNs - kStartNs, row.hardNs) << row.lines;
        EXPECT_EQ(searchTimer.softDeadlineNs - kStartNs, row.softNs) << row.lines;
    }
    // A budget that INFO cannot give: 2^31 - 1 ms, less 4 ms and 67108863.96875 ms.
    EXPECT_EQ(searchBudgetNs(INT32_MAX), 2'080'374'779'031'250);
}

// A move request brings the table into memory, a huge page's worth at a time, for an eighth of
// its search budget: on a clock moving 1 ms a read, the first piece, then one more for each read
// before the deadline. The next request goes on where the last one stopped.
TEST(ReplyBudget, MoveRequestsBringTheTableInWithinAnEighthOfTheirBudget) {
    struct Row {
        const char* timeoutTurn;
        std::uint64_t pieces, readsAtBegin, piecesAfterTurn;
    };
    // MAX_MEMORY 64 MiB: 2^21 entries of 16 bytes, 16 pieces.
    const Row rows[] = {
        // 44.4375 ms / 8 = 5.55 ms: pieces after the reads at 1 to 5 ms, the read at 6 stops.
        {"50", 6, 7, 12},
        // 1000 ms: 964.75 / 8 = 120.6 ms, so all 16 after 15 reads.
        {"1000", 16, 16, 16},
        // No search budget: nothing, and no read besides the command's.
        {"4", 0, 1, 0},
    };
    const InProcess process;
    ASSERT_NE(process.file, nullptr);
    for (const Row& row : rows) {
        InProcess::reset();
        ProtocolState protocol;
        dispatchLine(protocol, std::string("INFO TIMEOUT_TURN ") + row.timeoutTurn);
        dispatchLine(protocol, "INFO MAX_MEMORY " + std::to_string(64 << 20));
        dispatchLine(protocol, "START 15");
        ASSERT_EQ(engineState.table.size, std::uint64_t{1} << 21);
        EXPECT_EQ(engineState.table.bytesInMemory, 0u) << "START brings nothing in";
        setFakeClock(kStartNs, 1'000'000);
        dispatchLine(protocol, "BEGIN");
        EXPECT_EQ(engineState.table.bytesInMemory, row.pieces * kHugePageBytes) << row.timeoutTurn;
        EXPECT_EQ(fakeClock.reads, row.readsAtBegin) << row.timeoutTurn;
        dispatchLine(protocol, "TURN 8,8");
        EXPECT_EQ(engineState.table.bytesInMemory, row.piecesAfterTurn * kHugePageBytes)
            << row.timeoutTurn;
    }
}

struct TimedSearch {
    Cell move = kNoCell;
    RootReport report;
    NodeCounters nodes;
    FakeClock clock;
    bool stopped = false;
};

constexpr std::int64_t kDepthAlone = INT64_MIN;

// One search of the record with a fresh table, kDepthAlone for one limited by depth alone. The
// clock watches for the hard deadline, or the soft one. Timed searches stop at 12 plies, beyond
// any depth their clock allows: one that stops watching the clock still ends, and fails.
EngineState state;

TimedSearch timedSearch(const GameRecord& record, std::int64_t budgetMs, std::int64_t stepNs,
                        bool watchSoft = false, Depth lastDepth = 12 * kPlyUnit) {
    state.table = TranspositionTable{};
    resizeTable(state.table, std::uint64_t{1} << 16);
    loadSearchPosition(state, record);
    nodeCounters = NodeCounters{};
    setFakeClock(kStartNs, stepNs);
    if (budgetMs == kDepthAlone) startUnlimitedSearchTimer();
    else startSearchTimer(budgetMs, kStartNs);
    fakeClock.watchNs = watchSoft ? searchTimer.softDeadlineNs : searchTimer.hardDeadlineNs;
    TimedSearch run;
    run.move = searchRoot(state, &run.report, lastDepth);
    run.nodes = nodeCounters;
    run.clock = fakeClock;
    run.stopped = searchTimer.stopFlag;
    EXPECT_TRUE(run.move < kCellCount && record.board[run.move] == kEmpty) << run.move;
    return run;
}

// Searches at 50 ms whose clock moves on by a step per read, stopped by the hard deadline: the
// read that stops them is the first whose time is kSearchNsAt50 or more after the start, the
// last read, and no node of any kind is searched after it.
TEST(FakeClock, SearchStopsAtTheFirstReadPastTheHardDeadline) {
    int stopped = 0;
    for (const GameRecord& record : benchRecords())
        for (const std::int64_t step : {700, 900, 1300, 2600, 3100, 4200}) {
            if (step < kLeastStep) continue;
            const TimedSearch run = timedSearch(record, 50, step);
            if (!run.stopped) continue;
            ++stopped;
            // Read k returns (k - 1) steps after the start.
            EXPECT_EQ(run.clock.firstWatchedRead, (kSearchNsAt50 + step - 1) / step + 1);
            EXPECT_EQ(run.clock.reads, run.clock.firstWatchedRead);
            const NodeCounters& atStop = run.clock.nodesAtWatchedRead;
            EXPECT_EQ(std::tie(run.nodes.tree, run.nodes.horizon, run.nodes.vcf),
                      std::tie(atStop.tree, atStop.horizon, atStop.vcf));
            EXPECT_GE(run.report.lastCompletedDepth, 4 * kPlyUnit);
        }
    EXPECT_GE(stopped, kLeastStep ? 4 : 12);
}

// Searches stopped by the soft deadline end with the iteration running at its first read:
// their node counts are those of the same search by depth alone to their last completed depth,
// and the iteration before that one was over before the first read past the soft deadline.
TEST(FakeClock, NoIterationStartsAfterTheSoftDeadline) {
    int ended = 0;
    for (const GameRecord& record : benchRecords())
        for (const std::int64_t step : {1000, 2500}) {
            if (step < kLeastStep) continue;
            const TimedSearch run = timedSearch(record, 50, step, true);
            if (run.stopped) continue;
            ++ended;
            const Depth last = run.report.lastCompletedDepth;
            ASSERT_GT(last, kRootStartDepth);
            const TimedSearch full = timedSearch(record, kDepthAlone, 0, false, last);
            const TimedSearch before = timedSearch(record, kDepthAlone, 0, false, last - kPlyUnit);
            EXPECT_EQ(
                benchLine({run.move, true, run.report.bestScore, last / kPlyUnit, run.nodes}),
                benchLine({full.move, true, full.report.bestScore, last / kPlyUnit, full.nodes}));
            EXPECT_GT(run.clock.nodesAtWatchedRead.tree, before.nodes.tree);
            EXPECT_LE(run.clock.nodesAtWatchedRead.tree, full.nodes.tree);
            // By depth alone the clock is read once per iteration, after it.
            EXPECT_EQ(full.clock.reads, 1 + (last - kRootStartDepth) / kPlyUnit + 1);
        }
    EXPECT_GE(ended, kLeastStep ? 6 : 12);
}

// No time for a search: the first tree node reads the clock and stops, and the root answers
// its first move, the candidate of largest own gain (the lowest cell on ties); nothing of the
// aborted iteration reaches the table.
TEST(FakeClock, NoBudgetAnswersAtOnce) {
    int compared = 0;
    for (const GameRecord& record : benchRecords())
        for (const std::int64_t budgetMs : {4, 0, -20}) {
            const TimedSearch run = timedSearch(record, budgetMs, 1000);
            if (!run.report.searched()) continue;  // answered by a rule
            EXPECT_EQ(run.clock.reads, 1);
            EXPECT_EQ(run.nodes.tree, 1u);
            EXPECT_EQ(run.nodes.horizon + run.nodes.vcf, 0u);
            EXPECT_EQ(run.report.lastCompletedDepth, 0);
            const std::uint64_t key =
                positionKey(state.board, state.firstColour, state.colourToMove);
            EXPECT_NE(readEntry(state.table, key).key, key);
            if (const Cell first = firstCandidate(record.board); first != kNoCell) {
                EXPECT_EQ(run.move, first);
                ++compared;
            }
        }
    EXPECT_GE(compared, 9);
}

// Aborted searches of the bench positions, one line each; the record is tests/data/aborts/.
// A speed change must leave every move, node count and clock read as it is.
std::string abortLine(std::size_t position, std::int64_t budgetMs, std::int64_t step) {
    const GameRecord record = benchRecords()[position];
    const TimedSearch run = timedSearch(record, budgetMs, step);
    BenchResult result{run.move, true, run.report.bestScore,
                       run.report.lastCompletedDepth / kPlyUnit, run.nodes};
    return "position " + std::to_string(position) + " budget " + std::to_string(budgetMs) +
           " step " + std::to_string(step) + ": " + benchLine(result) + " reads " +
           std::to_string(run.clock.reads) + (run.stopped ? " hard" : " soft");
}

TEST(AbortRecord, TheSameMovesNodesAndClockReads) {
    // Clock steps (ns per read) at 50 ms: most stop at the hard deadline, at depths 5 to 9, one
    // or more per position; positions 3 and 7 at no step from 0.3 to 6 µs, so they end softly.
    const std::vector<std::int64_t> steps[9] = {{300, 1000, 2500, 4000},
                                                {500, 2000, 4300},
                                                {1000, 2900, 3500},
                                                {1000, 3000},
                                                {900, 2000},
                                                {800, 1100, 3000},
                                                {600, 1400, 1900, 3000},
                                                {1000, 3000},
                                                {1000, 2300, 4000, 6000}};
    std::vector<std::string> lines;
    for (std::size_t position = 0; position < 9; ++position)
        for (const std::int64_t step : steps[position])
            lines.push_back(step >= kLeastStep ? abortLine(position, 50, step) : "");
    const std::string path = std::string(QUOLL_TEST_DATA) + "/aborts/expected.txt";
    if (std::getenv("QUOLL_WRITE_ABORT_RECORD")) {
        std::ofstream out(path);
        for (const std::string& line : lines) out << line << "\n";
    }
    const auto expected = readNonBlankLines(path).value_or(std::vector<std::string>{});
    ASSERT_EQ(expected.size(), lines.size()) << path;
    int hard = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].empty() || lines[i] == expected[i])
            << lines[i] << " for " << expected[i];
        hard += expected[i].ends_with(" hard");
    }
    EXPECT_EQ(hard, 16);
}

// Dense positions, the opponent's stone last, each sent as a BOARD block after the settings.
std::string session() {
    std::string lines =
        "INFO MAX_MEMORY 16000000\nINFO TIMEOUT_TURN 30000\nINFO TIME_LEFT 10000000\n"
        "INFO SHOW_DETAIL 1\nINFO MAX_NODE 20000\nSTART 15\n";
    for (int i = 0; i < 6; ++i) {
        const GameRecord record = randomDensePosition(700 + i, 6 + 7 * i);
        lines += "BOARD\n";
        for (const Cell cell : record.moves)
            lines += std::to_string(cellColumn(cell)) + "," + std::to_string(cellRow(cell)) + "," +
                     std::to_string(record.board[cell]) + "\n";
        lines += "DONE\n";
    }
    return lines + "END\n";
}

// The replies with every line's speed and time taken out: " nps N time N".
std::string withoutTimes(const std::string& replies) {
    std::string kept;
    std::istringstream lines(replies);
    for (std::string line; std::getline(lines, line); kept += line + "\n") {
        const std::size_t nps = line.find(" nps ");
        const std::size_t pv = line.find(" pv", nps);
        if (nps != std::string::npos && pv != std::string::npos) line.erase(nps, pv - nps);
    }
    return kept;
}

// The session run by this program's own command loop, its clock moving on by `stepNs` a read.
std::string replayedInProcess(std::int64_t stepNs) {
    InProcess process;
    if (process.file == nullptr) return "no temporary file";
    std::istringstream input(session());
    commandInput = &input;
    setFakeClock(1'000'000'000'000, stepNs);
    ProtocolState state;
    while (state.mode != ProtocolMode::Terminating) handleCommand(state);
    commandInput = nullptr;
    return process.replies();
}

// A search held by a node limit that binds long before the clock gives the same moves and detail
// lines, but for their speed and time, on a fake clock that barely moves, on one that moves on
// quickly, and twice through the built engine on the real clock.
TEST(NodeLimit, SameMovesAndDetailLinesOnEveryRun) {
    const std::string replies = withoutTimes(replayedInProcess(1));
    // Six moves, each after its detail lines: every search stopped at the limit or decided.
    std::istringstream lines(replies);
    int moves = 0, details = 0;
    for (std::string line; std::getline(lines, line);)
        line.starts_with("MESSAGE depth ") ? ++details : ++moves;
    EXPECT_EQ(moves, 7) << replies;  // START's OK and six moves
    EXPECT_GE(details, 6 * 3);
    EXPECT_EQ(withoutTimes(replayedInProcess(997)), replies);
#ifndef _WIN32
    for (int run = 0; run < 2; ++run) {
        tools::EngineProcess engine;
        ASSERT_TRUE(engine.start(QUOLL_ENGINE_PATH));
        engine.sendRaw(session());
        std::string fromEngine;
        while (const std::optional<std::string> line = engine.readLine())
            fromEngine += *line + "\n";
        EXPECT_EQ(engine.waitExit(), 0);
        EXPECT_EQ(withoutTimes(fromEngine), replies) << "run " << run;
    }
#endif
}

}  // namespace
}  // namespace quoll::test

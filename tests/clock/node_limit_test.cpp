// A search held by a node limit that binds long before the clock gives the same moves and
// detail lines, but for their speed and time, on every run: in this program on a fake clock
// that barely moves and on one that moves on quickly, and twice through the built engine on
// the real clock.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "protocol/dispatcher.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/line_reader.hpp"
#include "protocol/logging.hpp"
#include "protocol/replies.hpp"
#include "protocol/settings.hpp"
#include "support/fake_clock.hpp"
#include "testkit/stress_positions.hpp"
#ifndef _WIN32
#include "tools/manager/engine_process.hpp"
#endif

namespace quoll::test {
namespace {

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
    switchLoggingOff();
    gameSettings = GameSettings{};
    engineState.table = TranspositionTable{};
    std::istringstream input(session());
    std::FILE* output = std::tmpfile();
    if (output == nullptr) return "no temporary file";
    commandInput = &input;
    replyStream = output;
    setFakeClock(1'000'000'000'000, stepNs);
    ProtocolState state;
    while (state.mode != ProtocolMode::Terminating) handleCommand(state);
    commandInput = nullptr;
    replyStream = nullptr;
    std::string replies;
    std::rewind(output);
    for (int c; (c = std::fgetc(output)) != EOF;) replies += static_cast<char>(c);
    std::fclose(output);
    gameSettings = GameSettings{};
    engineState.table = TranspositionTable{};
    return replies;
}

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

// The match tool's manager: a very short match of the built engine against itself, and the
// engine against a fake opponent whose move is illegal, to show that the judging notices it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "board_positions.hpp"
#include "tools/match_manager.hpp"

namespace quoll::test {
namespace {

using tools::GameEnd;

TEST(Match, ShortMatchOfTheEngineAgainstItselfIsPlayedCleanly) {
    tools::MatchOptions options;
    options.enginePath = QUOLL_ENGINE_PATH;
    options.games = 2;
    options.turnMs = 30;
    options.matchMs = 1000000;
    options.toleranceMs = kSanitizerBuild ? 3000 : 1000;  // legality is the point here, not speed
    options.maxMemory = 1000000;
    options.seed = 3;
    std::ostringstream log;
    const tools::MatchSummary summary = tools::runMatch(options, log);
    std::printf("%s", log.str().c_str());

    EXPECT_TRUE(summary.clean());
    ASSERT_EQ(summary.games.size(), 2u);
    for (std::size_t g = 0; g < summary.games.size(); ++g) {
        const tools::GameResult& game = summary.games[g];
        EXPECT_EQ(game.firstEngine, static_cast<int>(g % 2));
        EXPECT_TRUE(game.end == GameEnd::Five || game.end == GameEnd::FullBoard);
        // The last stone made the five, for the engine that placed it.
        if (game.end == GameEnd::Five) {
            const bool lastIsFirstPlayers = game.moves.size() % 2 == 1;
            EXPECT_EQ(game.winner, lastIsFirstPlayers ? game.firstEngine : 1 - game.firstEngine);
        }
        EXPECT_EQ(std::set<int>(game.moves.begin(), game.moves.end()).size(), game.moves.size());
    }
    EXPECT_EQ(summary.wins[0] + summary.wins[1] + summary.draws, 2);
}

TEST(Match, AReplyOnATakenCellIsJudgedIllegal) {
    // Answers every move request with the centre, taken from the second move on.
    const std::filesystem::path script =
        std::filesystem::temp_directory_path() /
        ("quoll-centre-engine-" + std::to_string(getpid()) + ".sh");
    {
        std::ofstream out(script);
        out << "#!/bin/sh\n"
               "while read line; do\n"
               "  case \"$line\" in\n"
               "    START*) echo OK ;;\n"
               "    BEGIN|TURN*|DONE) echo 7,7 ;;\n"
               "    END) exit 0 ;;\n"
               "  esac\n"
               "done\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    tools::MatchOptions options;
    options.enginePath = QUOLL_ENGINE_PATH;
    options.opponentPath = script.string();  // a match of two programs, the fake one second
    options.games = 1;
    options.openingStones = 0;
    options.turnMs = 1000;
    std::ostringstream log;
    const tools::MatchSummary summary = tools::runMatch(options, log);
    std::filesystem::remove(script);

    EXPECT_FALSE(summary.clean()) << log.str();
    EXPECT_EQ(summary.illegalMoves, 1);
    ASSERT_EQ(summary.games.size(), 1u);
    EXPECT_EQ(summary.games[0].end, GameEnd::IllegalMove);
    EXPECT_EQ(summary.games[0].winner, 0);  // the engine's opening centre was legal
    EXPECT_EQ(summary.games[0].moves, std::vector<int>{cellAt(7, 7)});
}

}  // namespace
}  // namespace quoll::test

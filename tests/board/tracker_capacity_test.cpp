// Threat tracker capacities: the link pool and the group records along deep search lines, and
// what happens when they run out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "board/threats.hpp"
#include "board_helpers.hpp"

namespace quoll {
namespace {

using boardtest::builtTracker;
using boardtest::clusteredMoves;
using boardtest::expectedFacts;
using boardtest::Move;
using boardtest::playTracked;
using boardtest::Pools;
using boardtest::randomMoves;
using boardtest::SearchWalk;
using boardtest::playMove;
using boardtest::soundFacts;
using boardtest::ThreatFacts;
using boardtest::TrackedPosition;

// A deep line through a crowded board, with a few siblings tried at every ply as a search
// would: the pool and the group records keep a wide margin.
TEST(TrackerCapacity, DeepLinesStayWellWithinThePoolAndGroups) {
    int highLinks = 0, highGroups = 0;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        for (int start : {10, 40, 90}) {
            Pools pools;
            SearchWalk walk(seed * 100 + static_cast<std::uint32_t>(start));
            walk.checkEveryNode = false;
            const auto moves = seed % 2 ? clusteredMoves(seed, start) : randomMoves(seed, start);
            for (const Move& move : moves) walk.board[move.cell] = static_cast<std::uint8_t>(move.colour);
            rebuildWindowCodes(walk.board, walk.codes);
            std::vector<ThreatTracker> own(1, builtTracker<Colour::Own>(walk.board, walk.codes, *pools.own));
            std::vector<ThreatTracker> opponent(
                1, builtTracker<Colour::Opponent>(walk.board, walk.codes, *pools.opponent));
            // 64 nested copies, each after three siblings searched two plies deep.
            const Board boardBefore = walk.board;
            const WindowCodes codesBefore = walk.codes;
            std::vector<Move> line;
            Colour mover = Colour::Own;
            for (int ply = 0; ply < 64; ++ply) {
                for (int sibling = 0; sibling < 3; ++sibling) {
                    if (mover == Colour::Own)
                        walk.node<Colour::Own>(own.back(), opponent.back(), walk.randomEmptyCell(), 1, 2);
                    else
                        walk.node<Colour::Opponent>(own.back(), opponent.back(), walk.randomEmptyCell(), 1, 2);
                }
                const Move move{walk.randomEmptyCell(), mover};
                own.push_back(own.back());
                opponent.push_back(opponent.back());
                playMove<CodesHold::Stone>(walk.board, walk.codes, own.back(), opponent.back(), move);
                line.push_back(move);
                walk.highLinks = std::max({walk.highLinks, static_cast<int>(own.back().linkCount),
                                           static_cast<int>(opponent.back().linkCount)});
                walk.highGroups = std::max({walk.highGroups, static_cast<int>(own.back().fourGroupCount),
                                            static_cast<int>(opponent.back().fourGroupCount)});
                mover = opponentOf(mover);
            }
            EXPECT_GE(std::count_if(walk.board.begin(), walk.board.end(), [](std::uint8_t b) { return b != kEmpty; }),
                      start + 64);
            // The end of the line is still exact.
            EXPECT_EQ(soundFacts(own.back()), expectedFacts<Colour::Own>(walk.board));
            EXPECT_EQ(soundFacts(opponent.back()), expectedFacts<Colour::Opponent>(walk.board));
            for (auto it = line.rbegin(); it != line.rend(); ++it) {
                if (it->colour == Colour::Own) liftStone<Colour::Own>(walk.codes.data(), it->cell);
                else liftStone<Colour::Opponent>(walk.codes.data(), it->cell);
                walk.board[it->cell] = kEmpty;
            }
            EXPECT_EQ(walk.board, boardBefore);
            EXPECT_EQ(walk.codes, codesBefore);
            // Every copy along the line still reads the position it was made for.
            EXPECT_EQ(soundFacts(own.front()), expectedFacts<Colour::Own>(walk.board));
            highLinks = std::max(highLinks, walk.highLinks);
            highGroups = std::max(highGroups, walk.highGroups);
        }
    }
    std::printf("deep lines: high-water linkCount %d of %d, fourGroupCount %d of %d\n", highLinks,
                kLinkPoolSize, highGroups, kMaxFourGroups);
    EXPECT_LT(highLinks, kLinkPoolSize / 4);
    EXPECT_LT(highGroups, kMaxFourGroups / 2);
}

inline constexpr std::uint8_t kGuardByte = 0xA5;

// Every fact the tracker holds is true on the board (it may have dropped some).
::testing::AssertionResult holdsOnlyTrueFacts(const ThreatFacts& held, const ThreatFacts& truth) {
    for (const auto& [cell, partner] : held.pairs)
        if (!truth.pairs.count({cell, partner}))
            return ::testing::AssertionFailure() << "stale four pair " << cell << "-" << partner;
    for (const auto& [cell, first, second] : held.triples)
        if (!truth.triples.count({cell, first, second}))
            return ::testing::AssertionFailure() << "stale three at " << cell << ": " << first << ", " << second;
    return ::testing::AssertionSuccess();
}

// A pool placed right before guard bytes, to see that nothing is written beyond it.
struct GuardedPool {
    LinkPool pool;
    std::array<std::uint8_t, 4096> guard;
};
bool guardIntact(const GuardedPool& guarded) {
    for (std::uint8_t byte : guarded.guard)
        if (byte != kGuardByte) return false;
    return true;
}

// With the pool nearly full the tracker drops facts it has no room for, never writes past the
// pool, never keeps a fact that is no longer true, and stays sound.
// Regression: a removal without room for its copies left the three in that cell's list.
TEST(TrackerCapacity, FullPoolDropsFactsAndWritesNothingBeyond) {
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        auto ownPool = std::make_unique<GuardedPool>();
        auto opponentPool = std::make_unique<GuardedPool>();
        ownPool->guard.fill(kGuardByte);
        opponentPool->guard.fill(kGuardByte);
        TrackedPosition position(ownPool->pool, opponentPool->pool);
        const auto moves = clusteredMoves(seed, 110);
        for (int i = 0; i < 30; ++i) position.board[moves[i].cell] = static_cast<std::uint8_t>(moves[i].colour);
        position.rebuild();
        // Everything beyond the real links counts as used by ancestors.
        position.own.linkCount = static_cast<std::uint16_t>(kLinkPoolSize - 1 - seed % 3);
        position.opponent.linkCount = static_cast<std::uint16_t>(kLinkPoolSize - 1 - seed % 3);
        for (std::size_t i = 30; i < moves.size(); ++i) {
            if (seed % 2) playMove<CodesHold::Stone>(position, moves[i]);
            else playMove<CodesHold::NoStone>(position, moves[i]);
            ASSERT_TRUE(guardIntact(*ownPool)) << "seed " << seed << " move " << i;
            ASSERT_TRUE(guardIntact(*opponentPool)) << "seed " << seed << " move " << i;
            ASSERT_LE(position.own.linkCount, kLinkPoolSize);
            ASSERT_LE(position.opponent.linkCount, kLinkPoolSize);
            EXPECT_TRUE(holdsOnlyTrueFacts(soundFacts(position.own), expectedFacts<Colour::Own>(position.board)))
                << "seed " << seed << " move " << i;
            EXPECT_TRUE(
                holdsOnlyTrueFacts(soundFacts(position.opponent), expectedFacts<Colour::Opponent>(position.board)))
                << "seed " << seed << " move " << i;
            if (::testing::Test::HasFailure()) return;
        }
    }
}

// A tracker and guard bytes right behind it: group records must not overrun.
struct GuardedTracker {
    ThreatTracker tracker;
    std::array<std::uint8_t, 256> guard;
};

// Rows of threes, each row giving three double-four cells: more than the group records hold.
// Regression: a pair dropped for want of a group record was kept the other way round, and
// outlived its cell once that cell was played.
TEST(TrackerCapacity, GroupRecordsRunOutWithoutOverrun) {
    Pools pools;
    Board board{};
    for (int row = 0; row < kBoardSize; ++row)
        for (int column : {1, 2, 3, 9, 10, 11}) board[makeCell(row, column)] = kOwnStone;
    WindowCodes codes{};
    rebuildWindowCodes(board, codes);
    const ThreatFacts truth = expectedFacts<Colour::Own>(board);
    std::map<Cell, int> partnerCount;
    for (const auto& [cell, partner] : truth.pairs) ++partnerCount[cell];
    int groupCells = 0;
    for (const auto& [cell, count] : partnerCount) groupCells += count >= 2;
    ASSERT_GT(groupCells, kMaxFourGroups);

    auto guarded = std::make_unique<GuardedTracker>();
    guarded->guard.fill(kGuardByte);
    buildThreatTracker<Colour::Own>(guarded->tracker, board.data(), codes.data(), *pools.own);
    ThreatTracker& tracker = guarded->tracker;
    EXPECT_EQ(tracker.fourGroupCount, kMaxFourGroups);
    EXPECT_EQ(tracker.links, pools.own->links.data());
    EXPECT_TRUE(holdsOnlyTrueFacts(soundFacts(tracker), truth));
    for (std::uint8_t byte : guarded->guard) ASSERT_EQ(byte, kGuardByte);

    // Play on: group cells fill up and free records, which later pairs may take again.
    ThreatTracker opponent = builtTracker<Colour::Opponent>(board, codes, *pools.opponent);
    Colour mover = Colour::Opponent;
    for (int column : {4, 8, 12, 0, 5, 7, 13}) {
        for (int row = 0; row < kBoardSize; row += 2) {
            const Cell cell = makeCell(row, column);
            if (board[cell] != kEmpty) continue;
            if (mover == Colour::Own) playTracked<Colour::Own, CodesHold::Stone>(board, codes, tracker, opponent, cell);
            else playTracked<Colour::Opponent, CodesHold::Stone>(board, codes, opponent, tracker, cell);
            mover = opponentOf(mover);
            for (std::uint8_t byte : guarded->guard) ASSERT_EQ(byte, kGuardByte);
            ASSERT_LE(tracker.fourGroupCount, kMaxFourGroups);
            EXPECT_TRUE(holdsOnlyTrueFacts(soundFacts(tracker), expectedFacts<Colour::Own>(board))) << "cell " << cell;
            EXPECT_EQ(soundFacts(opponent), expectedFacts<Colour::Opponent>(board)) << "cell " << cell;
        }
    }
}

}  // namespace
}  // namespace quoll

// Threat tracker capacities: the link pool and the group records along deep search lines, and
// what happens when they run out.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "board/threats.hpp"
#include "support/positions.hpp"

namespace quoll {
namespace {

using namespace test;

// A deep line through a crowded board, with a few siblings tried at every ply as a search
// would: the pool and the group records keep a wide margin.
TEST(TrackerCapacity, DeepLinesStayWellWithinThePoolAndGroups) {
    int highLinks = 0, highGroups = 0;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        for (int start : {10, 40, 90}) {
            Pools pools;
            SearchWalk walk(seed * 100 + static_cast<std::uint32_t>(start));
            walk.checkEveryNode = false;
            walk.board = boardOf(seed % 2 ? clusteredMoves(seed, start) : randomMoves(seed, start));
            rebuildWindowCodes(walk.board, walk.codes);
            const Board boardBefore = walk.board;
            const WindowCodes codesBefore = walk.codes;
            std::vector<ThreatTracker> own{builtTracker<Colour::Own>(walk.board, walk.codes,
                                                                     *pools.own)};
            std::vector<ThreatTracker> opponent{
                builtTracker<Colour::Opponent>(walk.board, walk.codes, *pools.opponent)};
            // 64 nested copies, each after three siblings searched two plies deep.
            std::vector<Move> line;
            for (int ply = 0; ply < 64; ++ply) {
                const Colour mover = ply % 2 ? Colour::Opponent : Colour::Own;
                for (int sibling = 0; sibling < 3; ++sibling) {
                    const Cell cell = walk.randomEmptyCell();
                    if (mover == Colour::Own)
                        walk.node<Colour::Own>(own.back(), opponent.back(), cell, 1, 2);
                    else
                        walk.node<Colour::Opponent>(own.back(), opponent.back(), cell, 1, 2);
                }
                line.push_back(Move{walk.randomEmptyCell(), mover});
                own.push_back(own.back());
                opponent.push_back(opponent.back());
                playMove<CodesHold::Stone>(walk.board, walk.codes, own.back(), opponent.back(),
                                           line.back());
                for (const ThreatTracker* t : {&own.back(), &opponent.back()}) {
                    highLinks = std::max(highLinks, int{t->linkCount});
                    highGroups = std::max(highGroups, int{t->fourGroupCount});
                }
            }
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
            // The copy at the start of the line still reads the position it was made for.
            EXPECT_EQ(soundFacts(own.front()), expectedFacts<Colour::Own>(walk.board));
            highLinks = std::max(highLinks, walk.highLinks);
            highGroups = std::max(highGroups, walk.highGroups);
        }
    }
    EXPECT_LT(highLinks, kLinkPoolSize / 4);
    EXPECT_LT(highGroups, kMaxFourGroups / 2);
}

inline constexpr std::uint8_t kGuardByte = 0xA5;

template <std::size_t N>
bool intact(const std::array<std::uint8_t, N>& guard) {
    return std::all_of(guard.begin(), guard.end(), [](std::uint8_t b) { return b == kGuardByte; });
}

// Every fact the tracker holds is true on the board (it may have dropped some).
template <Colour C>
::testing::AssertionResult holdsOnlyTrueFacts(const ThreatTracker& tracker, const Board& board) {
    const ThreatFacts held = soundFacts(tracker), truth = expectedFacts<C>(board);
    for (const auto& [cell, partner] : held.pairs)
        if (!truth.pairs.count({cell, partner}))
            return ::testing::AssertionFailure() << "stale four pair " << cell << "-" << partner;
    for (const auto& [cell, first, second] : held.triples)
        if (!truth.triples.count({cell, first, second}))
            return ::testing::AssertionFailure() << "stale three at " << cell;
    return ::testing::AssertionSuccess();
}

// A pool placed right before guard bytes, to see that nothing is written beyond it.
struct GuardedPool {
    LinkPool pool;
    std::array<std::uint8_t, 4096> guard;
};

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
        position.board = boardOf(moves, 30);
        position.rebuild();
        // Everything beyond the real links counts as used by ancestors.
        position.own.linkCount = position.opponent.linkCount =
            static_cast<std::uint16_t>(kLinkPoolSize - 1 - seed % 3);
        for (std::size_t i = 30; i < moves.size(); ++i) {
            position.play(moves[i], seed % 2 ? CodesHold::Stone : CodesHold::NoStone);
            ASSERT_TRUE(intact(ownPool->guard) && intact(opponentPool->guard)) << seed << "/" << i;
            ASSERT_LE(position.own.linkCount, kLinkPoolSize);
            ASSERT_LE(position.opponent.linkCount, kLinkPoolSize);
            ASSERT_TRUE(holdsOnlyTrueFacts<Colour::Own>(position.own, position.board)) << seed;
            ASSERT_TRUE(holdsOnlyTrueFacts<Colour::Opponent>(position.opponent, position.board))
                << "seed " << seed << " move " << i;
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
    std::map<Cell, int> partnerCount;
    for (const auto& [cell, partner] : expectedFacts<Colour::Own>(board).pairs)
        ++partnerCount[cell];
    ASSERT_GT(std::count_if(partnerCount.begin(), partnerCount.end(),
                            [](const auto& entry) { return entry.second >= 2; }),
              kMaxFourGroups);

    auto guarded = std::make_unique<GuardedTracker>();
    guarded->guard.fill(kGuardByte);
    ThreatTracker& tracker = guarded->tracker;
    buildThreatTracker<Colour::Own>(tracker, board.data(), codes.data(), *pools.own);
    EXPECT_EQ(tracker.fourGroupCount, kMaxFourGroups);
    EXPECT_EQ(tracker.links, pools.own->links.data());
    EXPECT_TRUE(holdsOnlyTrueFacts<Colour::Own>(tracker, board));
    ASSERT_TRUE(intact(guarded->guard));

    // Play on: group cells fill up and free records, which later pairs may take again.
    ThreatTracker opponent = builtTracker<Colour::Opponent>(board, codes, *pools.opponent);
    Colour mover = Colour::Opponent;
    for (int column : {4, 8, 12, 0, 5, 7, 13}) {
        for (int row = 0; row < kBoardSize; row += 2) {
            const Cell cell = makeCell(row, column);
            if (board[cell] != kEmpty) continue;
            playMove<CodesHold::Stone>(board, codes, tracker, opponent, Move{cell, mover});
            mover = opponentOf(mover);
            ASSERT_TRUE(intact(guarded->guard));
            ASSERT_LE(tracker.fourGroupCount, kMaxFourGroups);
            EXPECT_TRUE(holdsOnlyTrueFacts<Colour::Own>(tracker, board)) << "cell " << cell;
            EXPECT_EQ(soundFacts(opponent), expectedFacts<Colour::Opponent>(board)) << cell;
        }
    }
}

}  // namespace
}  // namespace quoll

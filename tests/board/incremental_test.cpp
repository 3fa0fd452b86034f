// Every record the search keeps incrementally, walked through random search trees the way the
// tree nodes update them (each node copies its parent's records, places its stone behind a
// guard, derives its candidate list), checked at every node against facts worked out from the
// stones alone, and checked unchanged in the parent after every child.

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "board/gains.hpp"
#include "search/candidates.hpp"
#include "support/oracle.hpp"
#include "testkit/consistency.hpp"

namespace quoll {
namespace {

using test::soundFacts;

struct Frame {
    GainMap ownGain, oppGain;
    ThreatTracker ownThreats, oppThreats;
    Score eval;
    HashKey key;
};

struct SearchWalk {
    EngineState state;
    Board& board = state.board;
    WindowCodes& codes = state.windowCodes;
    NeighbourCounts counts{};
    std::unique_ptr<LinkPool> ownPool = std::make_unique<LinkPool>();
    std::unique_ptr<LinkPool> oppPool = std::make_unique<LinkPool>();
    std::mt19937 random;
    std::uint8_t firstColour;
    bool crowded = false;  // trackers short of room: they may drop facts, never keep false ones
    int nodes = 0;
    int noCombinationMoves = 0;  // moves judged to add no four-three cells without the update

    SearchWalk(std::uint32_t seed, int stones) : random(seed) {
        firstColour = seed % 2 ? kOwnStone : kOpponentStone;
        for (auto [cell, colour] :
             test::clusteredMoves(seed, stones, static_cast<Colour>(firstColour)))
            board[cell] = static_cast<std::uint8_t>(colour);
    }

    // The root frame, built from scratch; `mover` is the colour to move.
    Frame root(std::uint8_t mover) {
        Frame f;
        rebuildWindowCodes(board, codes);
        buildGainMap<Colour::Own>(f.ownGain, board.data(), codes.data());
        buildGainMap<Colour::Opponent>(f.oppGain, board.data(), codes.data());
        buildThreatTracker<Colour::Own>(f.ownThreats, board.data(), codes.data(), *ownPool);
        buildThreatTracker<Colour::Opponent>(f.oppThreats, board.data(), codes.data(), *oppPool);
        f.eval = staticEval(codes.data());
        f.key = {positionKey(board, firstColour, mover), firstColour};
        return f;
    }

    void expectMatchesStones(const Frame& f, std::uint8_t toMove) {
        SCOPED_TRACE("node " + std::to_string(nodes));
        ASSERT_EQ(codes, test::rebuiltCodes(board));
        ASSERT_EQ(f.eval, staticEval(codes.data()));
        ASSERT_EQ(f.key.key, positionKey(board, firstColour, toMove));
        expectFacts(f.ownThreats, test::expectedFacts<Colour::Own>(board));
        expectFacts(f.oppThreats, test::expectedFacts<Colour::Opponent>(board));
        // A gain is what the evaluation changes by when the colour plays the cell.
        WindowCodes scratch = codes;
        for (int i = 0; i < 12; ++i) {
            const Cell cell = static_cast<Cell>(random() % kCellCount);
            if (board[cell] != kEmpty) continue;
            placeStone<Colour::Own>(scratch.data(), cell);
            ASSERT_EQ(staticEval(scratch.data()),
                      static_cast<Score>(f.eval + f.ownGain.gain[cell]));
            liftStone<Colour::Own>(scratch.data(), cell);
            placeStone<Colour::Opponent>(scratch.data(), cell);
            ASSERT_EQ(staticEval(scratch.data()),
                      static_cast<Score>(f.eval - f.oppGain.gain[cell]));
            liftStone<Colour::Opponent>(scratch.data(), cell);
        }
    }

    void expectFacts(const ThreatTracker& tracker, const test::ThreatFacts& truth) {
        const test::ThreatFacts held = soundFacts(tracker);
        if (!crowded) {
            ASSERT_EQ(held, truth);
        }
        for (const auto& pair : held.pairs)
            ASSERT_TRUE(truth.pairs.count(pair)) << "stale four pair";
        for (const auto& three : held.triples)
            ASSERT_TRUE(truth.triples.count(three)) << "stale three";
    }

    template <Colour Mover>
    void node(const Frame& parent, CandidateList& list, int depth, int width) {
        ++nodes;
        list.cur = static_cast<std::uint16_t>(random() % list.size);
        const Cell m = list.cells[list.cur];
        ASSERT_EQ(board[m], kEmpty);
        Frame f = parent;
        Frame before = parent;  // the other update form: gains and trackers before the codes
        f.eval = static_cast<Score>(Mover == Colour::Own ? f.eval + f.ownGain.gain[m]
                                                         : f.eval - f.oppGain.gain[m]);
        updateKey(f.key, m, kStone<Mover>);
        gainsAfterMove<Colour::Own, Mover, CodesHold::NoStone>(before.ownGain, m);
        gainsAfterMove<Colour::Opponent, Mover, CodesHold::NoStone>(before.oppGain, m);
        board[m] = kStone<Mover>;
        ThreatTracker& beforeMover = Mover == Colour::Own ? before.ownThreats : before.oppThreats;
        // The quick judgement without the update: "none" must hold after both update forms.
        const bool noCombination =
            stoneAddsNoCombination<Mover, CodesHold::NoStone>(beforeMover, m);
        if (noCombination) ++noCombinationMoves;
        trackStone<Mover, CodesHold::NoStone>(beforeMover, m);
        if (noCombination) {
            ASSERT_EQ(beforeMover.fourGroupCount, 0);
            ASSERT_EQ(beforeMover.combinationCells, 0);
        }
        clearTrackerCell(Mover == Colour::Own ? before.oppThreats : before.ownThreats, m);
        {
            StoneGuard<Mover> guard(codes.data(), m);
            gainsAfterMove<Colour::Own, Mover, CodesHold::Stone>(f.ownGain, m);
            gainsAfterMove<Colour::Opponent, Mover, CodesHold::Stone>(f.oppGain, m);
            ThreatTracker& afterMover = Mover == Colour::Own ? f.ownThreats : f.oppThreats;
            ASSERT_EQ((stoneAddsNoCombination<Mover, CodesHold::Stone>(afterMover, m)),
                      noCombination);
            trackStone<Mover, CodesHold::Stone>(afterMover, m);
            clearTrackerCell(Mover == Colour::Own ? f.oppThreats : f.ownThreats, m);
            {
                // The best leaf score read in place equals the one over the leaf list written out,
                // with the gains and with maps that favour the highest and the lowest cells.
                CandidateList leaf;
                makeLeafList(list, leaf);
                GainMap byCell = f.ownGain, byCellReversed = f.ownGain;
                for (int x = 0; x < kCellCount; ++x) {
                    byCell.gain[x] = static_cast<Score>(x);
                    byCellReversed.gain[x] = static_cast<Score>(-x);
                }
                for (const GainMap* gains : {&f.ownGain, &byCell, &byCellReversed}) {
                    std::optional<Score> best;
                    for (int i = 0; i < leaf.size; ++i) {
                        const auto v = static_cast<Score>(f.eval + gains->gain[leaf.cells[i]]);
                        if (!best || v > *best) best = v;
                    }
                    ASSERT_EQ(
                        bestLeafScore(list, *gains, f.eval, std::numeric_limits<Score>::max()),
                        best);
                    // With a score to stop at: one at least as high when the best reaches it.
                    if (best && *best > -kInfinity) {
                        const auto enough = static_cast<Score>(*best - 5);
                        const std::optional<Score> early =
                            bestLeafScore(list, *gains, f.eval, enough);
                        ASSERT_TRUE(early && *early >= enough && *early <= *best);
                    }
                }
            }
            ChildList child(list);
            const std::set<Cell> cells(child->cells.begin(), child->cells.begin() + child->size);
            ASSERT_EQ(cells.size(), child->size) << "a cell listed twice";
            ASSERT_EQ(cells, test::candidatesByDefinition(board));
            ASSERT_EQ(before.ownGain.gain, f.ownGain.gain);
            ASSERT_EQ(before.oppGain.gain, f.oppGain.gain);
            if (!crowded) {
                ASSERT_EQ(soundFacts(before.ownThreats), soundFacts(f.ownThreats));
                ASSERT_EQ(soundFacts(before.oppThreats), soundFacts(f.oppThreats));
                ASSERT_EQ(findInconsistency(state, f.ownGain, f.oppGain, f.ownThreats, f.oppThreats,
                                            *child),
                          nullptr);
            }
            expectMatchesStones(f, kStone<opponentOf(Mover)>);
            const auto ownFacts = soundFacts(f.ownThreats), oppFacts = soundFacts(f.oppThreats);
            const NeighbourCounts countsHere = counts;
            const WindowCodes codesHere = codes;
            for (int i = 0; depth > 0 && i < width && child->size > 0; ++i) {
                node<opponentOf(Mover)>(f, *child, depth - 1, width);
                if (::testing::Test::HasFatalFailure()) return;
                ASSERT_EQ(soundFacts(f.ownThreats), ownFacts) << "a child changed its parent";
                ASSERT_EQ(soundFacts(f.oppThreats), oppFacts) << "a child changed its parent";
                ASSERT_EQ(counts, countsHere);
                ASSERT_EQ(codes, codesHere);
            }
        }
        board[m] = kEmpty;
    }
};

// From seed 17 on the walks start with the link pools nearly full, the last one from rows of
// threes giving more double-four cells than the group records hold.
TEST(IncrementalRecords, MatchTheStonesAtEveryNodeOfRandomSearches) {
    int noCombinationMoves = 0, nodes = 0;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        SearchWalk walk(seed, 5 + static_cast<int>(seed * 7 % 60));
        walk.crowded = seed >= 17;
        if (seed == 20) {
            walk.board = Board{};
            for (int row = 0; row < kBoardSize; ++row)
                for (int column : {1, 2, 3, 9, 10, 11})
                    walk.board[makeCell(row, column)] = kOwnStone;
        }
        const Board boardBefore = walk.board;
        const int droppedBefore = trackerUsage.droppedFacts;
        const std::uint8_t mover = seed % 3 ? kOwnStone : kOpponentStone;
        Frame root = walk.root(mover);
        if (seed == 20) EXPECT_EQ(root.ownThreats.fourGroupCount, kMaxFourGroups);
        else if (walk.crowded)
            root.ownThreats.linkCount = root.oppThreats.linkCount =
                static_cast<std::uint16_t>(kLinkPoolSize - 1 - seed % 3);
        walk.expectMatchesStones(root, mover);
        CandidateList list;
        buildRootList(list, walk.board.data(), walk.counts);
        for (int i = 0; i < 3 && !::testing::Test::HasFatalFailure(); ++i) {
            if (mover == kOwnStone) walk.node<Colour::Own>(root, list, 5, 2);
            else walk.node<Colour::Opponent>(root, list, 5, 2);
        }
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        noCombinationMoves += walk.noCombinationMoves;
        nodes += walk.nodes;
        // The consistency check (of the checking build) names a record that drifted.
        Frame drifted = root;
        const Cell empty = *test::candidatesByDefinition(walk.board).begin();
        ++drifted.oppGain.gain[empty];
        EXPECT_STREQ(findInconsistency(walk.state, drifted.ownGain, drifted.oppGain,
                                       root.ownThreats, root.oppThreats, list),
                     "gains differ");
        EXPECT_EQ(trackerUsage.droppedFacts > droppedBefore, walk.crowded);
        EXPECT_EQ(walk.board, boardBefore);
    }
    // The quick judgement is tried both ways.
    EXPECT_GT(noCombinationMoves, 0);
    EXPECT_LT(noCombinationMoves, nodes);
}

}  // namespace
}  // namespace quoll

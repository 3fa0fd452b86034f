// Node search: a parent's records are unchanged after a child searched below it, and the node's
// entry tests come in their order.

#include "tree/node.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "platform/clock.hpp"
#include "search/timer.hpp"
#include "support/positions.hpp"
#include "tree/counters.hpp"
#include "tree/horizon.hpp"
#include "tree/moves.hpp"

namespace quoll {
namespace {

using test::kOpp;
using test::kOwn;

void expectSameGains(const GainMap& a, const GainMap& b) {
    EXPECT_EQ(a.board, b.board);
    EXPECT_EQ(a.codes, b.codes);
    EXPECT_EQ(a.gain, b.gain);
}

// Everything a reader of the tracker sees, the three lists through the shared pool included.
void expectSameTracker(const ThreatTracker& a, const ThreatTracker& b) {
    EXPECT_EQ(a.fourSlot, b.fourSlot);
    EXPECT_EQ(a.threeHead, b.threeHead);
    EXPECT_EQ(a.links, b.links);
    EXPECT_EQ(a.linkCount, b.linkCount);
    ASSERT_EQ(a.fourGroupCount, b.fourGroupCount);
    for (int g = 0; g < a.fourGroupCount; ++g) {
        EXPECT_EQ(a.fourGroups[g].owner, b.fourGroups[g].owner);
        EXPECT_EQ(a.fourGroups[g].count, b.fourGroups[g].count);
        EXPECT_EQ(a.fourGroups[g].partners, b.fourGroups[g].partners);
    }
}

struct PoolCopy {
    std::vector<ThreeLink> links;
    explicit PoolCopy(const ThreatTracker& t) : links(t.links, t.links + t.linkCount) {}
    bool sameAs(const ThreatTracker& t) const {
        return std::equal(links.begin(), links.end(), t.links,
                          [](const ThreeLink& x, const ThreeLink& y) {
                              return x.first == y.first && x.second == y.second && x.next == y.next;
                          });
    }
};

void expectSameList(const CandidateList& a, const CandidateList& b) {
    EXPECT_EQ(a.board, b.board);
    EXPECT_EQ(a.neighbourCount, b.neighbourCount);
    EXPECT_EQ(std::make_tuple(a.size, a.next, a.cur, a.limit, a.count, a.move),
              std::make_tuple(b.size, b.next, b.cur, b.limit, b.count, b.move));
    EXPECT_TRUE(std::equal(a.cells.begin(), a.cells.begin() + a.size, b.cells.begin()));
}

// Searches every interesting root move of the loaded position with both node kinds and checks
// that the root frame, board, codes and counters are as before; the frame also equals one
// rebuilt from scratch.
void searchChildrenAndCompare(EngineState& state, Depth depth, int movesToTry) {
    test::RootFrame frame(state);
    const HashKey key{positionKey(state.board, state.firstColour, state.colourToMove),
                      state.firstColour};
    std::vector<Cell> moves(frame.list.cells.begin(), frame.list.cells.begin() + frame.list.size);
    std::sort(moves.begin(), moves.end(), [&](Cell x, Cell y) {
        // Fours first (forced replies and four sequences below), then by gain.
        const bool fx = frame.ownThreats.fourSlot[x] != kNoCell,
                   fy = frame.ownThreats.fourSlot[y] != kNoCell;
        return fx != fy ? fx : searchedBefore(frame.ownGain, x, y);
    });
    moves.resize(std::min<std::size_t>(moves.size(), movesToTry));
    for (const Cell m : moves) {
        ASSERT_TRUE(frame.selectMove(m));
        state.board[m] = kOwn;
        const Board board = state.board;
        const WindowCodes codes = state.windowCodes;
        const NeighbourCounts counts = frame.counts;
        const GainMap ownGain = frame.ownGain, oppGain = frame.oppGain;
        const ThreatTracker ownThreats = frame.ownThreats, oppThreats = frame.oppThreats;
        const PoolCopy ownPool(frame.ownThreats), oppPool(frame.oppThreats);
        const CandidateList list = frame.list;
        const auto eval = static_cast<Score>(-(frame.rootEval + frame.ownGain.gain[m]));
        for (int kind = 0; kind < 2; ++kind) {
            if (kind == 0)
                pvSearch<Colour::Opponent>(state, depth, 1, eval, -kInfinity, kInfinity,
                                           frame.oppGain, frame.ownGain, frame.list,
                                           frame.oppThreats, frame.ownThreats, key);
            else
                nonPvSearch<Colour::Opponent>(state, depth, 1, eval, -1, 0, frame.oppGain,
                                              frame.ownGain, frame.list, frame.oppThreats,
                                              frame.ownThreats, key);
            EXPECT_EQ(state.board, board);
            EXPECT_EQ(state.windowCodes, codes);
            EXPECT_EQ(frame.counts, counts);
            expectSameGains(frame.ownGain, ownGain);
            expectSameGains(frame.oppGain, oppGain);
            expectSameTracker(frame.ownThreats, ownThreats);
            expectSameTracker(frame.oppThreats, oppThreats);
            EXPECT_TRUE(ownPool.sameAs(frame.ownThreats));
            EXPECT_TRUE(oppPool.sameAs(frame.oppThreats));
            expectSameList(frame.list, list);
        }
        state.board[m] = kEmpty;
        // Nothing of the search is left in what the root would build now.
        test::RootFrame fresh(state);
        expectSameGains(fresh.ownGain, frame.ownGain);
        EXPECT_EQ(test::soundFacts(fresh.ownThreats), test::soundFacts(frame.ownThreats));
        EXPECT_EQ(test::soundFacts(fresh.oppThreats), test::soundFacts(frame.oppThreats));
        EXPECT_EQ(fresh.counts, frame.counts);
    }
}

class NodeSearch : public ::testing::Test {
protected:
    EngineState& state = test::freshSearchState(1 << 14);
};

TEST_F(NodeSearch, ParentRecordsUnchangedOnBenchPositions) {
    for (const GameRecord& record : test::benchRecords()) {
        loadSearchPosition(state, record);
        searchChildrenAndCompare(state, 48, 8);
    }
}

TEST_F(NodeSearch, ParentRecordsUnchangedOnRandomPositions) {
    std::mt19937 random(4242);
    const auto before = nodeCounters;
    for (int round = 0; round < 16; ++round) {
        loadSearchPosition(state, test::randomRecord(random, 10 + static_cast<int>(random() % 30)));
        SCOPED_TRACE(round);
        searchChildrenAndCompare(state, round % 2 == 0 ? 48 : 60, 6);
    }
    // The lines went through forced replies and four sequences too.
    EXPECT_GT(nodeCounters.vcf, before.vcf + 100);
}

// The root frame for the stones, with `m` played by the engine, and the node's key.
struct NodeSetup {
    EngineState& state;
    test::RootFrame frame;
    HashKey key;
    Score eval;
    NodeSetup(EngineState& s, const test::Stones& stones, Cell m)
        : state(loaded(s, stones)),
          frame(s),
          key{positionKey(s.board, s.firstColour, s.colourToMove), s.firstColour},
          eval(static_cast<Score>(-(frame.rootEval + frame.ownGain.gain[m]))) {
        EXPECT_TRUE(frame.selectMove(m));
        s.board[m] = kOwn;
    }
    static EngineState& loaded(EngineState& s, const test::Stones& stones) {
        test::loadStones(s, stones);
        return s;
    }
    std::uint64_t childKey() const {
        HashKey k = key;
        updateKey(k, frame.list.cells[frame.list.cur], kOwn);
        return k.key;
    }
    Score pv(Depth depth, Ply ply, Score alpha, Score beta) {
        return pvSearch<Colour::Opponent>(state, depth, ply, eval, alpha, beta, frame.oppGain,
                                          frame.ownGain, frame.list, frame.oppThreats,
                                          frame.ownThreats, key);
    }
};

TEST_F(NodeSearch, OnePlyLeftIsAHorizonNodeThatIgnoresTheTable) {
    NodeSetup node(state, {{7, 7, kOpp}, {5, 9, kOwn}, {8, 8, kOpp}}, makeCell(6, 6));
    // An exact entry for the node's position that would end any table-probing node.
    storeEntry(state.table, node.childKey(), 600, 1, 1234, 1234, kNoCell, NodeKind::Pv);
    const Score direct = horizonSearch<Colour::Opponent>(
        state, 1, node.eval, -kInfinity, kInfinity, node.frame.oppGain, node.frame.list,
        node.frame.oppThreats, node.frame.ownThreats);
    const auto before = nodeCounters;
    EXPECT_EQ(node.pv(12, 1, -kInfinity, kInfinity), direct);
    EXPECT_EQ(nodeCounters.horizon, before.horizon + 1);
    EXPECT_NE(direct, 1234);
    // A deeper node takes the table's word for it.
    EXPECT_EQ(node.pv(24, 1, -kInfinity, kInfinity), 1234);
    // So does nothing at ply 49, whatever the depth.
    EXPECT_EQ(node.pv(120, 49, -kInfinity, kInfinity), direct);
}

TEST_F(NodeSearch, DoubleFourOfTheLastMoveLosesBeforeTheClock) {
    NodeSetup node(state, {{7, 4, kOwn}, {7, 5, kOwn}, {7, 6, kOwn}, {9, 9, kOpp}, {10, 10, kOpp}},
                   makeCell(7, 3));  // an open four
    searchTimer.stopFlag = true;
    EXPECT_EQ(node.pv(48, 3, -kInfinity, kInfinity), 5 - 30000);
    searchTimer.stopFlag = false;
}

TEST_F(NodeSearch, StoppedClockAbortsWithoutStoring) {
    NodeSetup node(state, {{7, 7, kOpp}, {5, 9, kOwn}, {8, 8, kOpp}}, makeCell(6, 6));
    startSearchTimer(0, monotonicNowNs() - 1);
    EXPECT_EQ(node.pv(48, 1, -kInfinity, kInfinity), kInfinity);
    EXPECT_TRUE(searchTimer.stopFlag);
    EXPECT_NE(tableSlot(state.table, node.childKey()).key, node.childKey());
    startUnlimitedSearchTimer();
    const Score s = node.pv(48, 1, -kInfinity, kInfinity);
    EXPECT_LT(s, 29000);
    EXPECT_GT(s, -29000);
    const TTEntry& e = tableSlot(state.table, node.childKey());
    EXPECT_EQ(e.key, node.childKey());
    EXPECT_EQ(std::make_tuple(e.depth, e.ply, e.kind, e.lower, e.upper),
              std::make_tuple(48, 1, 1, s, s));
}

TEST_F(NodeSearch, ForcedBlockOfAFour) {
    // The engine's move (7,7) makes a four that only (7,8) blocks; the opponent has nothing.
    NodeSetup node(state,
                   {{7, 3, kOpp}, {7, 4, kOwn}, {7, 5, kOwn}, {7, 6, kOwn}, {12, 12, kOpp},
                    {12, 13, kOpp}},
                   makeCell(7, 7));
    const Score s = node.pv(48, 1, -kInfinity, kInfinity);
    const TTEntry& entry = tableSlot(state.table, node.childKey());
    EXPECT_EQ(entry.key, node.childKey());
    EXPECT_EQ(entry.move, makeCell(7, 8));  // the block is the node's only move
    EXPECT_GT(s, -29000);
}

}  // namespace
}  // namespace quoll

// Transposition table: sizing, reallocation, win-distance correction, cut-offs, the move hint,
// and when a node may overwrite a slot.

#include "tree/table.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <tuple>

namespace quoll {
namespace {

constexpr Score kNone = -kInfinity;

TEST(TableSize, LargestPowerOfTwoWithinTheBudget) {
    EXPECT_EQ(tableEntryCount(350000000), std::uint64_t{1} << 23);
    EXPECT_EQ(tableEntryCount(0), 1u);
    EXPECT_EQ(tableEntryCount(23), 1u);
    EXPECT_EQ(tableEntryCount(24), 1u);
    EXPECT_EQ(tableEntryCount(47), 1u);
    EXPECT_EQ(tableEntryCount(48), 2u);
    EXPECT_EQ(tableEntryCount(24 * 1024), 1024u);
    EXPECT_EQ(tableEntryCount(24 * 1024 - 1), 512u);
    const std::uint64_t huge = tableEntryCount(std::numeric_limits<std::uint64_t>::max());
    EXPECT_TRUE(std::has_single_bit(huge));
    EXPECT_LE(huge, std::numeric_limits<std::uint64_t>::max() / 24);
    EXPECT_GT(huge * 2, std::numeric_limits<std::uint64_t>::max() / 24);
}

auto fields(const TTEntry& e) {
    return std::make_tuple(e.key, e.depth, e.ply, e.lower, e.upper, e.move, e.kind);
}
// A fresh entry is all zero bytes, so that a new table costs no writes.
void expectFresh(const TTEntry& e) {
    EXPECT_EQ(fields(e), std::make_tuple(0u, 0, 0, 0, 0, 0, 0));
}

TEST(TableResize, SameCountKeepsContentsOtherCountGivesFreshEntries) {
    TranspositionTable table;
    EXPECT_EQ(resizeTable(table, 8), 8u);
    for (std::uint64_t i = 0; i < 8; ++i) expectFresh(table.entries[i]);
    storeEntry(table, 0x1234, 36, 2, 5, 9, 77, NodeKind::Pv);
    const TTEntry* storage = table.entries.get();

    EXPECT_EQ(resizeTable(table, 8), 8u);
    EXPECT_EQ(table.entries.get(), storage);
    EXPECT_EQ(tableSlot(table, 0x1234).key, 0x1234u);
    EXPECT_EQ(tableSlot(table, 0x1234).move, 77);

    EXPECT_EQ(resizeTable(table, 16), 16u);
    EXPECT_EQ(table.size, 16u);
    for (std::uint64_t i = 0; i < 16; ++i) expectFresh(table.entries[i]);

    storeEntry(table, 0x1234, 36, 2, 5, 9, 77, NodeKind::Pv);
    EXPECT_EQ(resizeTable(table, 4), 4u);
    for (std::uint64_t i = 0; i < 4; ++i) expectFresh(table.entries[i]);

    clearTable(table);
    storeEntry(table, 3, 12, 1, 0, 0, 1, NodeKind::NonPv);
    clearTable(table);
    expectFresh(tableSlot(table, 3));
}

TEST(TableStore, WritesEveryFieldIntoTheKeysSlot) {
    TranspositionTable table;
    resizeTable(table, 4);
    storeEntry(table, 0xABCDEF06, 48, 3, -20, 40, 112, NodeKind::Pv);
    const TTEntry& e = table.entries[0xABCDEF06 & 3];
    EXPECT_EQ(fields(e), std::make_tuple(0xABCDEF06u, 48, 3, -20, 40, 112, 1));
    storeEntry(table, 0xABCDEF06, 12, 5, kNone, 7, 3, NodeKind::NonPv);
    EXPECT_EQ(fields(e), std::make_tuple(0xABCDEF06u, 12, 5, kNone, 7, 3, 0));
}

TEST(TableScores, WinDistanceMovesWithThePly) {
    // stored score, ply difference, score read; a decided score is read symmetrically for the
    // other side. The root reads with the negated ply of the entry: distances grow back.
    const int rows[][3] = {{30000 - 6, 5 - 3, 30000 - 8}, {29000, 1, 28999}, {28999, 7, 28999},
                           {0, 7, 0}, {31000, 7, 31000}, {31000, -7, 31000},
                           {30000 - 6, -3, 30000 - 3}};
    for (const auto& [stored, plies, read] : rows) {
        EXPECT_EQ(scoreFromTable(stored, plies), read) << stored << " " << plies;
        EXPECT_EQ(scoreFromTable(-stored, plies), -read) << stored << " " << plies;
    }
}

class TableProbe : public ::testing::Test {
  protected:
    void SetUp() override { resizeTable(table, 16); }
    static constexpr std::uint64_t kKey = 0x5555'0000'0000'0003;
    TranspositionTable table;
};

TEST_F(TableProbe, MissGivesNothingAndAllowsTheStore) {
    const ProbeResult r = probeTable(table, kKey, 48, 2, -100, 100, NodeKind::NonPv);
    EXPECT_EQ(std::make_tuple(r.ttMove, r.cutoff, r.storeAllowed),
              std::make_tuple(kNoCell, false, true));
}

// Every probe of the stored entry gives its move; whether it ends the node, and with which score.
TEST_F(TableProbe, CutOffsAgainstTheWindow) {
    constexpr NodeKind kPv = NodeKind::Pv, kNonPv = NodeKind::NonPv;
    constexpr Score kWon = 30000 - 6, kNo = 0;
    struct Row {
        Depth storedDepth;
        Ply storedPly;
        Score lower, upper;
        NodeKind storedKind;
        Depth depth;
        Ply ply;
        Score alpha, beta;
        NodeKind kind;
        Score score;  // kNo: no cut-off
    };
    const Row rows[] = {
        // A win or loss stored at ply 3 read at ply 5 lies two plies further away.
        {60, 3, kWon, kWon, kPv, 48, 5, -31000, 31000, kPv, 30000 - 8},
        {60, 3, -kWon, -kWon, kPv, 48, 5, -31000, 31000, kPv, -(30000 - 8)},
        // A lower bound at or above beta returns beta; an upper bound at or below alpha, alpha.
        {48, 2, 50, 31000, kNonPv, 48, 2, 10, 50, kNonPv, 50},
        {48, 2, 50, 31000, kNonPv, 48, 2, 10, 51, kNonPv, kNo},
        {48, 2, -31000, 10, kNonPv, 48, 2, 10, 11, kNonPv, 10},
        {48, 2, -31000, 10, kNonPv, 48, 2, 9, 11, kNonPv, kNo},
        // An exact score inside the window returns that score, unless searched less deep.
        {48, 2, 33, 33, kPv, 48, 2, -100, 100, kPv, 33},
        {48, 2, 33, 33, kPv, 60, 2, -100, 100, kPv, kNo},
        {48, 2, -5, 5, kPv, 48, 2, -100, 100, kPv, kNo},  // open bounds inside the window
        // A zero-window entry never ends a principal-variation node.
        {120, 2, 33, 33, kNonPv, 48, 2, -100, 100, kPv, kNo},
        {120, 2, 33, 33, kNonPv, 48, 2, -100, 100, kNonPv, 33},
    };
    for (const Row& row : rows) {
        storeEntry(table, kKey, row.storedDepth, row.storedPly, row.lower, row.upper, 7,
                   row.storedKind);
        const ProbeResult r =
            probeTable(table, kKey, row.depth, row.ply, row.alpha, row.beta, row.kind);
        EXPECT_EQ(r.ttMove, 7);
        EXPECT_EQ(r.cutoff, row.score != kNo) << row.lower << ".." << row.upper;
        if (r.cutoff) {
            EXPECT_EQ(r.score, row.score) << row.lower << ".." << row.upper;
        }
    }
}

// Whether a node may overwrite the slot, by the entry in it (of this or another position).
TEST_F(TableProbe, StorePermission) {
    constexpr NodeKind kPv = NodeKind::Pv, kNonPv = NodeKind::NonPv;
    const std::uint64_t other = kKey + 16;  // same slot, another key
    ASSERT_EQ(&tableSlot(table, other), &tableSlot(table, kKey));
    struct Row {
        std::uint64_t key;
        Depth storedDepth;
        Ply storedPly;
        NodeKind storedKind;
        Depth depth;
        NodeKind kind;
        bool allowed;
    };
    const Row rows[] = {
        // A zero-window node: only over a shallower zero-window entry, never over a
        // principal-variation or root entry.
        {kKey, 48, 2, kNonPv, 60, kNonPv, true},   {kKey, 48, 2, kNonPv, 48, kNonPv, false},
        {kKey, 48, 2, kNonPv, 36, kNonPv, false},  {kKey, 12, 2, kPv, 60, kNonPv, false},
        {other, 60, 2, kNonPv, 48, kNonPv, false}, {other, 60, 2, kNonPv, 72, kNonPv, true},
        {other, 12, 0, kPv, 120, kNonPv, false},
        // A principal-variation node: always over a zero-window entry, else only deeper.
        {kKey, 120, 2, kNonPv, 12, kPv, true},     {other, 60, 2, kNonPv, 12, kPv, true},
        {kKey, 48, 2, kPv, 60, kPv, true},         {kKey, 48, 2, kPv, 48, kPv, false},
        {kKey, 48, 2, kPv, 36, kPv, false},        {other, 12, 0, kPv, 24, kPv, true},
    };
    for (const Row& row : rows) {
        if (row.key == kKey)
            storeEntry(table, kKey, row.storedDepth, row.storedPly, kNone, 5, 1, row.storedKind);
        else  // an exact entry that would end the node if it were this position's
            storeEntry(table, other, row.storedDepth, row.storedPly, 40, 40, 12, row.storedKind);
        const ProbeResult r = probeTable(table, kKey, row.depth, 2, -100, 100, row.kind);
        EXPECT_EQ(r.storeAllowed, row.allowed)
            << "depth " << row.depth << " over " << row.storedDepth;
        if (row.key == other) {
            EXPECT_EQ(std::make_tuple(r.ttMove, r.cutoff), std::make_tuple(kNoCell, false));
        }
    }
}

TEST(TableAbsent, ProbesAsMissAndStoresNothing) {
    TranspositionTable table;
    ASSERT_EQ(table.size, 0u);
    const ProbeResult r = probeTable(table, 42, 48, 2, -100, 100, NodeKind::Pv);
    EXPECT_EQ(std::make_tuple(r.ttMove, r.cutoff, r.storeAllowed),
              std::make_tuple(kNoCell, false, false));
    storeEntry(table, 42, 48, 2, 0, 0, 1, NodeKind::Pv);  // must not touch anything
    EXPECT_EQ(table.size, 0u);
    EXPECT_EQ(table.entries, nullptr);
}

}  // namespace
}  // namespace quoll

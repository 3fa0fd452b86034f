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
void expectFresh(const TTEntry& e) {
    EXPECT_EQ(fields(e), std::make_tuple(0u, 0, 0, -31000, 31000, kNoCell, 0));
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
    EXPECT_EQ(r.ttMove, kNoCell);
    EXPECT_FALSE(r.cutoff);
    EXPECT_TRUE(r.storeAllowed);
}

TEST_F(TableProbe, StoredWinReadAtDeeperPly) {
    storeEntry(table, kKey, 60, 3, 30000 - 6, 30000 - 6, 40, NodeKind::Pv);
    const ProbeResult r = probeTable(table, kKey, 48, 5, -31000, 31000, NodeKind::Pv);
    EXPECT_TRUE(r.cutoff);
    EXPECT_EQ(r.score, 30000 - 8);
    EXPECT_EQ(r.ttMove, 40);
    // A loss the other way.
    storeEntry(table, kKey, 60, 3, -(30000 - 6), -(30000 - 6), 40, NodeKind::Pv);
    EXPECT_EQ(probeTable(table, kKey, 48, 5, -31000, 31000, NodeKind::Pv).score, -(30000 - 8));
}

TEST_F(TableProbe, BoundsCutOffAgainstTheWindow) {
    // A lower bound at or above beta returns beta.
    storeEntry(table, kKey, 48, 2, 50, 31000, 7, NodeKind::NonPv);
    ProbeResult r = probeTable(table, kKey, 48, 2, 10, 50, NodeKind::NonPv);
    EXPECT_TRUE(r.cutoff);
    EXPECT_EQ(r.score, 50);
    r = probeTable(table, kKey, 48, 2, 10, 51, NodeKind::NonPv);
    EXPECT_FALSE(r.cutoff);
    EXPECT_EQ(r.ttMove, 7);

    // An upper bound at or below alpha returns alpha.
    storeEntry(table, kKey, 48, 2, -31000, 10, 7, NodeKind::NonPv);
    r = probeTable(table, kKey, 48, 2, 10, 11, NodeKind::NonPv);
    EXPECT_TRUE(r.cutoff);
    EXPECT_EQ(r.score, 10);
    EXPECT_FALSE(probeTable(table, kKey, 48, 2, 9, 11, NodeKind::NonPv).cutoff);

    // An exact score inside the window returns that score.
    storeEntry(table, kKey, 48, 2, 33, 33, 7, NodeKind::Pv);
    r = probeTable(table, kKey, 48, 2, -100, 100, NodeKind::Pv);
    EXPECT_TRUE(r.cutoff);
    EXPECT_EQ(r.score, 33);

    // An entry searched less deep than the node only gives its move.
    r = probeTable(table, kKey, 60, 2, -100, 100, NodeKind::Pv);
    EXPECT_FALSE(r.cutoff);
    EXPECT_EQ(r.ttMove, 7);

    // Open bounds inside the window end nothing.
    storeEntry(table, kKey, 48, 2, -5, 5, 7, NodeKind::Pv);
    EXPECT_FALSE(probeTable(table, kKey, 48, 2, -100, 100, NodeKind::Pv).cutoff);
}

TEST_F(TableProbe, ZeroWindowEntryGivesItsMoveButNeverEndsAPrincipalVariationNode) {
    storeEntry(table, kKey, 120, 2, 33, 33, 99, NodeKind::NonPv);
    ProbeResult r = probeTable(table, kKey, 48, 2, -100, 100, NodeKind::Pv);
    EXPECT_FALSE(r.cutoff);
    EXPECT_EQ(r.ttMove, 99);
    r = probeTable(table, kKey, 48, 2, -100, 100, NodeKind::NonPv);
    EXPECT_TRUE(r.cutoff);
    EXPECT_EQ(r.score, 33);
}

TEST_F(TableProbe, StorePermissionOfAZeroWindowNode) {
    auto allowed = [&](Depth depth) {
        return probeTable(table, kKey, depth, 2, -100, 100, NodeKind::NonPv).storeAllowed;
    };
    storeEntry(table, kKey, 48, 2, kNone, 5, 1, NodeKind::NonPv);
    EXPECT_TRUE(allowed(60));
    EXPECT_FALSE(allowed(48));
    EXPECT_FALSE(allowed(36));
    storeEntry(table, kKey, 12, 2, kNone, 5, 1, NodeKind::Pv);
    EXPECT_FALSE(allowed(60));  // never over a principal-variation or root entry
}

TEST_F(TableProbe, StorePermissionOfAPrincipalVariationNode) {
    auto allowed = [&](Depth depth) {
        return probeTable(table, kKey, depth, 2, -100, 100, NodeKind::Pv).storeAllowed;
    };
    storeEntry(table, kKey, 120, 2, kNone, 5, 1, NodeKind::NonPv);
    EXPECT_TRUE(allowed(12));  // always over a zero-window entry
    storeEntry(table, kKey, 48, 2, kNone, 5, 1, NodeKind::Pv);
    EXPECT_TRUE(allowed(60));
    EXPECT_FALSE(allowed(48));
    EXPECT_FALSE(allowed(36));
}

TEST_F(TableProbe, OtherPositionInTheSlotStillDecidesThePermission) {
    const std::uint64_t other = kKey + 16;  // same slot, another key
    ASSERT_EQ(&tableSlot(table, other), &tableSlot(table, kKey));
    storeEntry(table, other, 60, 2, 40, 40, 12, NodeKind::NonPv);
    ProbeResult r = probeTable(table, kKey, 48, 2, -100, 100, NodeKind::NonPv);
    EXPECT_EQ(r.ttMove, kNoCell);
    EXPECT_FALSE(r.cutoff);
    EXPECT_FALSE(r.storeAllowed);  // a deeper zero-window entry of another position blocks it
    EXPECT_TRUE(probeTable(table, kKey, 72, 2, -100, 100, NodeKind::NonPv).storeAllowed);
    EXPECT_TRUE(probeTable(table, kKey, 12, 2, -100, 100, NodeKind::Pv).storeAllowed);
    storeEntry(table, other, 12, 0, 40, 40, 12, NodeKind::Pv);
    EXPECT_FALSE(probeTable(table, kKey, 120, 2, -100, 100, NodeKind::NonPv).storeAllowed);
    EXPECT_TRUE(probeTable(table, kKey, 24, 2, -100, 100, NodeKind::Pv).storeAllowed);
}

TEST(TableAbsent, ProbesAsMissAndStoresNothing) {
    TranspositionTable table;
    ASSERT_EQ(table.size, 0u);
    const ProbeResult r = probeTable(table, 42, 48, 2, -100, 100, NodeKind::Pv);
    EXPECT_EQ(r.ttMove, kNoCell);
    EXPECT_FALSE(r.cutoff);
    EXPECT_FALSE(r.storeAllowed);
    storeEntry(table, 42, 48, 2, 0, 0, 1, NodeKind::Pv);  // must not touch anything
    EXPECT_EQ(table.size, 0u);
    EXPECT_EQ(table.entries, nullptr);
}

}  // namespace
}  // namespace quoll

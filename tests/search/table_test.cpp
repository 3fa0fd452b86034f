#include "tree/table.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace quoll {
namespace {

// Entries of every shape the search stores: equal bounds, one infinite bound, no move, the
// extreme cells, depths and plies, both kinds.
const TTEntry kStoredShapes[] = {
    {0x0123456789ABCDEFull, 13, 48, 5, 5, 0, 0},
    {0xFFFFFFFFFFFFFFFFull, 32767, 0, -kInfinity, -kInfinity, kNoCell, 1},
    {2, -32768, 1, kInfinity, kInfinity, 224, 1},
    {3, 48, 7, -29993, kInfinity, 112, 0},
    {4, 600, 12, -kInfinity, 29990, 17, 1},
    {5, 25, 3, -kInfinity, kInfinity, 224, 0},
    {6, 36, 2, static_cast<Score>(kInfinity - 1), kInfinity, kNoCell, 0},
    {7, 36, 2, -kInfinity, static_cast<Score>(-kInfinity + 1), 0, 1},
};

TEST(TableSlot, EveryStoredShapeComesBackExactly) {
    for (const TTEntry& entry : kStoredShapes)
        EXPECT_EQ(unpackEntry(packEntry(entry)), entry) << "key " << entry.key;
}

// The same through the table: stored by the node's call, read whole as the root reads it.
TEST(TableSlot, StoreThenReadGivesTheEntry) {
    TranspositionTable table;
    resizeTable(table, 1 << 4);
    for (const TTEntry& entry : kStoredShapes) {
        storeEntry(table, entry.key, entry.depth, entry.ply, entry.lower, entry.upper, entry.move,
                   static_cast<NodeKind>(entry.kind));
        const TTEntry& read = tableSlot(table, entry.key);
        EXPECT_EQ(read, entry) << "key " << entry.key;
    }
}

// A probe reads one cache line: the slots are 16 bytes on 16-byte boundaries.
TEST(TableSlot, SlotsNeverStraddleACacheLine) {
    TranspositionTable table;
    resizeTable(table, 1 << 10);
    const auto first = reinterpret_cast<std::uintptr_t>(&table.slots[0]);
    EXPECT_EQ(first % 64, 0u);
    for (std::uint64_t i = 0; i < table.size; ++i) {
        const auto at = reinterpret_cast<std::uintptr_t>(&table.slots[i]);
        EXPECT_EQ(at / 64, (at + sizeof(TableSlot) - 1) / 64) << "slot " << i;
    }
}

}  // namespace
}  // namespace quoll

#include "tree/table.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "platform/memory.hpp"
#ifdef __linux__
#include <sys/mman.h>
#endif

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

// A decided score keeps its distance from the node that stored it: stored at ply 3 and read at
// ply 5, a win or a loss lies two plies further from the root. Other scores and the infinite
// bounds read as stored. Before that, an all-zero slot is empty even for a position whose key
// is 0: no move, no score.
TEST(TableSlot, DecidedScoresKeepTheirDistanceFromTheNode) {
    TranspositionTable table;
    resizeTable(table, 1 << 4);
    const ProbeResult empty = probeTable(table, 0, 24, 1, -100, 100, NodeKind::Pv);
    EXPECT_EQ(std::make_tuple(empty.ttMove, empty.cutoff, empty.storeAllowed),
              std::make_tuple(kNoCell, false, true));
    const Score win = kWinScore - 7;
    for (const auto& [stored, read] : {std::pair{win, win - 2},
                                       {-win, -win + 2},
                                       {100, 100},
                                       {kInfinity, kInfinity},
                                       {-kInfinity, -kInfinity}}) {
        storeEntry(table, 42, 4 * kPlyUnit, 3, stored, stored, 17, NodeKind::Pv);
        const ProbeResult r =
            probeTable(table, 42, 4 * kPlyUnit, 5, -kInfinity, kInfinity, NodeKind::Pv);
        EXPECT_EQ(r.cutoff ? r.score : -1, read) << stored;
    }
}

// Stored by the node's call and read whole as the root reads it, every shape comes back exactly,
// also after the table is brought into memory; and the system has every page of it in memory.
// On Linux a large table starts on a huge page's boundary, so that all of it can be huge pages.
TEST(TableMemory, BroughtInTheTableKeepsItsEntriesAndIsInMemory) {
    TranspositionTable table;
    resizeTable(table, std::uint64_t{1} << 19);  // 8 MiB: four pieces
    const std::uint64_t bytes = table.size * sizeof(TableSlot);
    // One entry of each shape in each piece but the third, which stays untouched until then.
    std::vector<TTEntry> stored;
    for (std::uint64_t piece : {0, 1, 3})
        for (TTEntry entry : kStoredShapes) {
            entry.key = (entry.key & 0xFFFF) * 977 % (table.size / 4) + piece * (table.size / 4) +
                        (entry.key & ~std::uint64_t{0xFFFFF});
            storeEntry(table, entry.key, entry.depth, entry.ply, entry.lower, entry.upper,
                       entry.move, static_cast<NodeKind>(entry.kind));
            stored.push_back(entry);
        }
    bringTableIn(table, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(table.bytesInMemory, bytes);
    // Every byte is kept, also those the touch writes to (the first of each page).
    std::vector<unsigned char> pattern(kHugePageBytes, 0xA5);
    void* block = allocateZeroedPages(pattern.size());
    ASSERT_NE(block, nullptr);
    std::memcpy(block, pattern.data(), pattern.size());
    bringPagesIn(block, pattern.size());
    EXPECT_EQ(std::memcmp(block, pattern.data(), pattern.size()), 0);
    releasePages(block, pattern.size());
    for (const TTEntry& entry : stored)
        EXPECT_EQ(readEntry(table, entry.key), entry) << "key " << entry.key;
#ifdef __linux__
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(table.slots.get()) % kHugePageBytes, 0u);
    std::vector<unsigned char> resident(bytes / 4096);
    ASSERT_EQ(mincore(table.slots.get(), bytes, resident.data()), 0);
    for (std::size_t page = 0; page < resident.size(); ++page)
        ASSERT_TRUE(resident[page] & 1) << "page " << page;
#endif
}

}  // namespace
}  // namespace quoll

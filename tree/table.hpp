#pragma once
// Transposition table: one slot per entry, indexed by the low bits of the position key.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "board/types.hpp"

namespace quoll {

enum class NodeKind : std::uint8_t { NonPv = 0, Pv = 1 };  // Pv also marks the root's entries

// An entry as the search reads and writes it.
struct TTEntry {
    std::uint64_t key = 0;
    Depth depth = 0;
    Ply ply = 0;      // ply of the node that stored it, for the win-distance correction
    Score lower = 0;  // -kInfinity: no lower bound
    Score upper = 0;  // kInfinity: no upper bound
    Cell move = 0;    // kNoCell: no move
    std::uint8_t kind = 0;
    bool operator==(const TTEntry&) const = default;
};

// Which bounds a slot's one score gives. Every entry the search stores has equal bounds or one
// infinite bound, so one score and this code hold both without loss.
enum class SlotBound : std::uint8_t { Exact = 0, Lower = 1, Upper = 2 };

// An entry as the table keeps it: 16 bytes on a 16-byte boundary, so that a probe reads one
// cache line. An empty slot is all zero bytes, so that a fresh table can come from zeroed pages
// without a write: key 0 marks it, and a slot with key 0 is never taken for a position
// (holdsPosition), so its other fields are never read. A stored slot has all its fields written.
struct alignas(16) TableSlot {
    std::uint64_t key = 0;
    Score score = 0;
    Depth depth = 0;
    Ply ply = 0;
    std::uint8_t move = 0;   // the cell, or kNoSlotMove
    std::uint8_t flags = 0;  // the kind in bit 0, the SlotBound above it
};
static_assert(sizeof(TableSlot) == 16);
static_assert(kCellCount <= 0xFF);
inline constexpr std::uint8_t kNoSlotMove = 0xFF;

// The entry count of a memory limit still divides by the 24 bytes an entry took before slots
// were packed, so that a limit gives the same table, and so the same moves, as it always did.
inline constexpr std::uint64_t kEntrySizeDivisor = 24;

// Whether the slot holds the position of `key`; an empty slot holds none.
inline bool holdsPosition(const TableSlot& slot, std::uint64_t key) {
    return slot.key == key && key != 0;
}
inline bool holdsPosition(const TTEntry& entry, std::uint64_t key) {
    return entry.key == key && key != 0;
}

// Gives a table's pages back to the system; it keeps their size for that.
struct TablePages {
    std::size_t bytes = 0;
    void operator()(TableSlot* slots) const;
};

struct TranspositionTable {
    std::unique_ptr<TableSlot[], TablePages> slots;
    std::uint64_t size = 0;           // a power of two, or 0 before the first START
    std::uint64_t bytesInMemory = 0;  // how far from the start bringTableIn has come
};

// Entry count for a memory budget in bytes: the largest power of two not above bytes / 24,
// and one entry when that quotient is 0.
std::uint64_t tableEntryCount(std::uint64_t maxMemoryBytes);

// Makes the table hold `count` fresh entries unless it already has that count (then its
// contents stay). The old table goes before the new one comes, and the new one is zeroed pages
// that the system fills as the search first touches them. When an allocation fails the count
// is halved until one succeeds, so the engine is never left without a table. Returns the count
// in use.
std::uint64_t resizeTable(TranspositionTable& table, std::uint64_t count);

// Brings the table's pages into memory (bringPagesIn), a huge page's worth at a time from where
// the last call stopped, until all are in or, after the first piece, the clock reads
// `deadlineNs` or later. Entries stay as they are.
void bringTableIn(TranspositionTable& table, std::int64_t deadlineNs);

// Puts every entry into its fresh state.
void clearTable(TranspositionTable& table);

struct ProbeResult {
    Cell ttMove = kNoCell;
    bool cutoff = false;  // the node returns `score` at once
    Score score = 0;
    bool storeAllowed = false;
};

// Probe of a tree node; decides the store permission from the slot's present content. It reads
// the slot in its packed form, which the hot path decides from without unpacking the entry.
ProbeResult probeTable(const TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply,
                       Score alpha, Score beta, NodeKind kind);

// Win and loss scores are stored as the storing node saw them and moved to the reader's ply.
Score scoreFromTable(Score stored, int plyDifference);

// The one way to write an entry: into the key's slot, over whatever it held. `lower` and `upper`
// are equal, or one of them is infinite (see SlotBound). Without a table nothing is written.
void storeEntry(TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply, Score lower,
                Score upper, Cell move, NodeKind kind);

// The one way to read an entry whole: the key's slot, whichever position it holds
// (holdsPosition tells); an empty entry without a table.
TTEntry readEntry(const TranspositionTable& table, std::uint64_t key);

inline TableSlot& slotOf(const TranspositionTable& table, std::uint64_t key) {
    return table.slots[key & (table.size - 1)];
}

// Starts loading a key's slot into the cache, for a probe soon after.
inline void prefetchSlot(const TranspositionTable& table, std::uint64_t key) {
    if (table.size != 0) __builtin_prefetch(&slotOf(table, key));
}

}  // namespace quoll

#pragma once
// Transposition table: one entry per slot, indexed by the low bits of the position key.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "board/types.hpp"

namespace quoll {

enum class NodeKind : std::uint8_t { NonPv = 0, Pv = 1 };  // Pv also marks the root's entries

// An empty slot is all zero bytes, so that a fresh table can come from zeroed pages without a
// write: key 0 marks it, and a slot with key 0 is never taken for a position (holdsPosition), so
// its other fields are never read. A stored entry always has all its fields written.
struct TTEntry {
    std::uint64_t key = 0;
    Depth depth = 0;
    Ply ply = 0;  // ply of the node that stored it, for the win-distance correction
    Score lower = 0;  // -kInfinity: no lower bound
    Score upper = 0;  // kInfinity: no upper bound
    Cell move = 0;    // kNoCell: no move
    std::uint8_t kind = 0;
};
static_assert(sizeof(TTEntry) == 24);

inline constexpr std::uint64_t kEntrySizeDivisor = 24;

// Whether the slot holds the position of `key`; an empty slot holds none.
inline bool holdsPosition(const TTEntry& entry, std::uint64_t key) {
    return entry.key == key && key != 0;
}

// Gives a table's pages back to the system; it keeps their size for that.
struct TablePages {
    std::size_t bytes = 0;
    void operator()(TTEntry* entries) const;
};

struct TranspositionTable {
    std::unique_ptr<TTEntry[], TablePages> entries;
    std::uint64_t size = 0;  // a power of two, or 0 before the first START
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

// Puts every entry into its fresh state.
void clearTable(TranspositionTable& table);

struct ProbeResult {
    Cell ttMove = kNoCell;
    bool cutoff = false;  // the node returns `score` at once
    Score score = 0;
    bool storeAllowed = false;
};

// Probe of a tree node; decides the store permission from the slot's present content.
ProbeResult probeTable(const TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply,
                       Score alpha, Score beta, NodeKind kind);

// Win and loss scores are stored as the storing node saw them and moved to the reader's ply.
Score scoreFromTable(Score stored, int plyDifference);

void storeEntry(TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply, Score lower,
                Score upper, Cell move, NodeKind kind);

inline TTEntry& tableSlot(const TranspositionTable& table, std::uint64_t key) {
    return table.entries[key & (table.size - 1)];
}

// Starts loading a key's slot into the cache, for a probe soon after.
inline void prefetchSlot(const TranspositionTable& table, std::uint64_t key) {
    if (table.size != 0) __builtin_prefetch(&tableSlot(table, key));
}

}  // namespace quoll

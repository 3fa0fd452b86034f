#include "tree/table.hpp"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.hpp"
#include "platform/memory.hpp"

namespace quoll {

namespace {

SlotBound boundOf(const TableSlot& slot) { return static_cast<SlotBound>(slot.flags >> 1); }
Score lowerOf(const TableSlot& slot) {
    return boundOf(slot) == SlotBound::Upper ? static_cast<Score>(-kInfinity) : slot.score;
}
Score upperOf(const TableSlot& slot) {
    return boundOf(slot) == SlotBound::Lower ? kInfinity : slot.score;
}
Cell moveOf(const TableSlot& slot) { return slot.move == kNoSlotMove ? kNoCell : slot.move; }
std::uint8_t kindOf(const TableSlot& slot) { return slot.flags & 1; }

TTEntry unpackEntry(const TableSlot& slot) {
    return TTEntry{slot.key,      slot.depth,   slot.ply,    lowerOf(slot),
                   upperOf(slot), moveOf(slot), kindOf(slot)};
}

// Packs the entry into its slot's form; checking builds stop when that loses anything.
TableSlot packEntry(const TTEntry& entry) {
    TableSlot slot;
    slot.key = entry.key;
    SlotBound bound = SlotBound::Exact;
    if (entry.lower == entry.upper) {
        slot.score = entry.lower;
    } else if (entry.upper == kInfinity) {
        bound = SlotBound::Lower;
        slot.score = entry.lower;
    } else {
        bound = SlotBound::Upper;
        slot.score = entry.upper;
    }
    slot.depth = entry.depth;
    slot.ply = entry.ply;
    slot.move = entry.move == kNoCell ? kNoSlotMove : static_cast<std::uint8_t>(entry.move);
    slot.flags = static_cast<std::uint8_t>(entry.kind | static_cast<unsigned>(bound) << 1);
#ifdef QUOLL_CHECKS
    if (unpackEntry(slot) != entry) {
        std::fprintf(stderr, "table entry not packed exactly: lower %d upper %d move %d kind %d\n",
                     entry.lower, entry.upper, entry.move, entry.kind);
        std::abort();
    }
#endif
    return slot;
}

}  // namespace

TTEntry readEntry(const TranspositionTable& table, std::uint64_t key) {
    if (table.size == 0) return TTEntry{};
    return unpackEntry(slotOf(table, key));
}

std::uint64_t tableEntryCount(std::uint64_t maxMemoryBytes) {
    const std::uint64_t n = maxMemoryBytes / kEntrySizeDivisor;
    return n == 0 ? 1 : std::bit_floor(n);
}

void clearTable(TranspositionTable& table) {
    for (std::uint64_t i = 0; i < table.size; ++i) table.slots[i] = TableSlot{};
}

void bringTableIn(TranspositionTable& table, std::int64_t deadlineNs) {
    const std::uint64_t bytes = table.size * sizeof(TableSlot);
    auto* start = reinterpret_cast<unsigned char*>(table.slots.get());
    while (table.bytesInMemory < bytes) {
        const std::uint64_t piece =
            std::min<std::uint64_t>(kHugePageBytes, bytes - table.bytesInMemory);
        bringPagesIn(start + table.bytesInMemory, piece);
        table.bytesInMemory += piece;
        if (table.bytesInMemory < bytes && monotonicNowNs() >= deadlineNs) return;
    }
}

void TablePages::operator()(TableSlot* slots) const { releasePages(slots, bytes); }

std::uint64_t resizeTable(TranspositionTable& table, std::uint64_t count) {
    if (count == table.size && table.slots) return table.size;
    table.slots.reset();
    table.size = 0;
    table.bytesInMemory = 0;
    for (; count >= 1; count /= 2) {
        const std::size_t bytes = count * sizeof(TableSlot);
        if (void* pages = allocateZeroedPages(bytes)) {
            table.slots = {static_cast<TableSlot*>(pages), TablePages{bytes}};
            table.size = count;
            break;
        }
    }
    return table.size;
}

Score scoreFromTable(Score stored, int plyDifference) {
    if (stored == kInfinity || stored == -kInfinity) return stored;
    if (stored >= kWinThreshold) return static_cast<Score>(stored - plyDifference);
    if (stored <= -kWinThreshold) return static_cast<Score>(stored + plyDifference);
    return stored;
}

ProbeResult probeTable(const TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply,
                       Score alpha, Score beta, NodeKind kind) {
    ProbeResult result;
    if (table.size == 0) return result;
    const TableSlot& slot = slotOf(table, key);
    if (holdsPosition(slot, key)) {
        result.ttMove = moveOf(slot);
        if (slot.depth >= depth && (kind == NodeKind::NonPv || kindOf(slot) != 0)) {
            const int plyDifference = ply - slot.ply;
            const Score lower = scoreFromTable(lowerOf(slot), plyDifference);
            const Score upper = scoreFromTable(upperOf(slot), plyDifference);
            if (lower >= beta) {
                result.cutoff = true;
                result.score = beta;
            } else if (alpha >= upper) {
                result.cutoff = true;
                result.score = alpha;
            } else if (lower == upper) {
                result.cutoff = true;
                result.score = lower;
            }
        }
    }
    // Zero-window results never replace entries of principal-variation nodes or of the root.
    if (kind == NodeKind::NonPv)
        result.storeAllowed = slot.key == 0 || (kindOf(slot) == 0 && depth > slot.depth);
    else result.storeAllowed = slot.key == 0 || kindOf(slot) == 0 || depth > slot.depth;
    return result;
}

void storeEntry(TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply, Score lower,
                Score upper, Cell move, NodeKind kind) {
    if (table.size == 0) return;
    slotOf(table, key) =
        packEntry(TTEntry{key, depth, ply, lower, upper, move, static_cast<std::uint8_t>(kind)});
}

}  // namespace quoll

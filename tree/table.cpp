#include "tree/table.hpp"

#include <bit>

#include "platform/memory.hpp"

namespace quoll {

std::uint64_t tableEntryCount(std::uint64_t maxMemoryBytes) {
    const std::uint64_t n = maxMemoryBytes / kEntrySizeDivisor;
    return n == 0 ? 1 : std::bit_floor(n);
}

void clearTable(TranspositionTable& table) {
    for (std::uint64_t i = 0; i < table.size; ++i) table.entries[i] = TTEntry{};
}

void TablePages::operator()(TTEntry* entries) const {
    releasePages(entries, bytes);
}

std::uint64_t resizeTable(TranspositionTable& table, std::uint64_t count) {
    if (count == table.size && table.entries) return table.size;
    table.entries.reset();
    table.size = 0;
    for (; count >= 1; count /= 2) {
        const std::size_t bytes = count * sizeof(TTEntry);
        if (void* pages = allocateZeroedPages(bytes)) {
            table.entries = {static_cast<TTEntry*>(pages), TablePages{bytes}};
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
    const TTEntry& entry = tableSlot(table, key);
    if (holdsPosition(entry, key)) {
        result.ttMove = entry.move;
        if (entry.depth >= depth && (kind == NodeKind::NonPv || entry.kind != 0)) {
            const int plyDifference = ply - entry.ply;
            const Score lower = scoreFromTable(entry.lower, plyDifference);
            const Score upper = scoreFromTable(entry.upper, plyDifference);
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
        result.storeAllowed = entry.key == 0 || (entry.kind == 0 && depth > entry.depth);
    else
        result.storeAllowed = entry.key == 0 || entry.kind == 0 || depth > entry.depth;
    return result;
}

void storeEntry(TranspositionTable& table, std::uint64_t key, Depth depth, Ply ply, Score lower,
                Score upper, Cell move, NodeKind kind) {
    if (table.size == 0) return;
    tableSlot(table, key) = TTEntry{key, depth, ply, lower, upper, move,
                                    static_cast<std::uint8_t>(kind)};
}

}  // namespace quoll

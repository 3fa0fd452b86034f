#include "search/candidates.hpp"

#include <algorithm>

#include "board/geometry.hpp"

namespace quoll {

void buildRootList(CandidateList& list, const std::uint8_t* board, NeighbourCounts& counts) {
    list.board = board;
    list.neighbourCount = counts.data();
    counts.fill(0);
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (board[cell] == kEmpty) continue;
        const NeighbourList& neighbours = kNeighbourCells[cell];
        for (int i = 0; i < neighbours[kNeighbourCountSlot]; ++i) ++counts[neighbours[i]];
    }
    list.size = 0;
    for (int cell = 0; cell < kCellCount; ++cell)
        if (board[cell] == kEmpty && counts[cell] >= 1) list.cells[list.size++] = static_cast<Cell>(cell);
    list.next = list.cur = 0;
    list.limit = list.count = list.size;
    list.move = kNoCell;
}

void makeChildList(const CandidateList& parent, CandidateList& child) {
    const Cell move = parent.cells[parent.cur];
    child.board = parent.board;
    child.neighbourCount = parent.neighbourCount;
    // Only the valid cells: the rest of the array is never read and most of it is unused.
    std::copy_n(parent.cells.begin(), parent.size, child.cells.begin());
    child.size = static_cast<std::uint16_t>(parent.size - 1);
    child.cells[parent.cur] = child.cells[child.size];  // the last candidate takes m's place
    child.move = move;
    // Locals, as the compiler must assume that a counter's byte store changes any record field.
    std::uint8_t* counts = child.neighbourCount;
    const std::uint8_t* board = child.board;
    int size = child.size;
    const NeighbourList& neighbours = kNeighbourCells[move];
    const int neighbourTotal = neighbours[kNeighbourCountSlot];
    for (int i = 0; i < neighbourTotal; ++i) {
        const Cell q = neighbours[i];
        if (++counts[q] == 1 && board[q] == kEmpty) child.cells[size++] = q;
    }
    child.size = static_cast<std::uint16_t>(size);
    child.next = child.cur = 0;
    child.limit = child.count = child.size;
}

void makeLeafList(const CandidateList& parent, CandidateList& leaf) {
    const Cell move = parent.cells[parent.cur];
    leaf.board = parent.board;
    leaf.neighbourCount = parent.neighbourCount;
    std::copy_n(parent.cells.begin(), parent.size, leaf.cells.begin());
    leaf.size = static_cast<std::uint16_t>(parent.size - 1);
    leaf.cells[parent.cur] = leaf.cells[leaf.size];
    leaf.move = kNoCell;  // nothing to release
    const std::uint8_t* counts = leaf.neighbourCount;
    const std::uint8_t* board = leaf.board;
    int size = leaf.size;
    const NeighbourList& neighbours = kNeighbourCells[move];
    const int neighbourTotal = neighbours[kNeighbourCountSlot];
    for (int i = 0; i < neighbourTotal; ++i) {
        const Cell q = neighbours[i];
        if (counts[q] == 0 && board[q] == kEmpty) leaf.cells[size++] = q;
    }
    leaf.size = static_cast<std::uint16_t>(size);
    leaf.next = leaf.cur = 0;
    leaf.limit = leaf.count = leaf.size;
}

void releaseList(const CandidateList& list) {
    if (list.move == kNoCell) return;
    std::uint8_t* counts = list.neighbourCount;
    const NeighbourList& neighbours = kNeighbourCells[list.move];
    const int neighbourTotal = neighbours[kNeighbourCountSlot];
    for (int i = 0; i < neighbourTotal; ++i) --counts[neighbours[i]];
}

}  // namespace quoll

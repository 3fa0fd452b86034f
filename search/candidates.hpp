#pragma once
// Candidate lists: the empty cells with a stone within two rows and two columns. The root builds
// its list from the board; every node derives its own from its parent's and the move that led to
// it. The per-cell neighbour counters behind the lists are shared by one search.

#include <array>
#include <cstdint>
#include <optional>
#include <type_traits>

#include "board/gains.hpp"
#include "board/types.hpp"

namespace quoll {

// The neighbour counters lie in a grid with a border of two cells on every side and rows of
// kCountStride bytes, so that the 5x5 neighbourhood of a cell is five eight-byte words.
inline constexpr int kCountStride = 24;
using NeighbourCounts = std::array<std::uint8_t, (kBoardSize + 4) * kCountStride>;

// Where the counter of a cell lies in the grid.
constexpr int counterIndex(Cell cell) {
    return (cellRow(cell) + 2) * kCountStride + cellColumn(cell) + 2;
}

struct CandidateList {
    const std::uint8_t* board;
    std::uint8_t* neighbourCount;
    std::array<Cell, kCellCount> cells;  // positions 0 .. size - 1 are valid
    std::uint16_t size;
    std::uint16_t next;   // the next cell to search
    std::uint16_t cur;    // the cell being searched: a child's incoming move
    std::uint16_t limit;  // moves are taken only while next < limit
    std::uint16_t count;  // end of the searchable part cells[next, count)
    Cell move;            // the move whose neighbourhood this list counted; kNoCell at the root
};
static_assert(std::is_trivially_copyable_v<CandidateList>);

void buildRootList(CandidateList& list, const std::uint8_t* board, NeighbourCounts& counts);

// Derives the child's list; the incoming move is parent.cells[parent.cur], already on the board.
void makeChildList(const CandidateList& parent, CandidateList& child);

// The same list for a leaf, which derives no list from it: the counters stay as they are, the
// incoming move's new neighbours being those it would bring to a count of 1.
void makeLeafList(const CandidateList& parent, CandidateList& leaf);

// The largest static_cast<Score>(base + gains.gain[x]) over the cells x of the leaf list
// makeLeafList would derive, without writing the list; none when that list would be empty. The
// first score of `enough` or more ends the search and is returned.
std::optional<Score> bestLeafScore(const CandidateList& parent, const GainMap& gains, int base,
                                   Score enough);

// Whether a cell of that leaf list whose gain the incoming move leaves as it was
// (gainUnchangedBy) scores `enough` or more, static_cast<Score>(base + gains.gain[x]) with the
// gains before the move: then the best score is `enough` or more without the move's update.
bool unchangedLeafReaches(const CandidateList& parent, const GainMap& gains, int base,
                          Score enough);

// Undoes the counters that the list added.
void releaseList(const CandidateList& list);

// A node's own list, released on every way out of the node: one of the balanced pairs of a child
// move (tree/child_move.hpp).
class ChildList {
  public:
    explicit ChildList(const CandidateList& parent) { makeChildList(parent, list_); }
    ~ChildList() { releaseList(list_); }
    ChildList(const ChildList&) = delete;
    ChildList& operator=(const ChildList&) = delete;

    CandidateList& operator*() { return list_; }
    CandidateList* operator->() { return &list_; }

  private:
    CandidateList list_;
};

}  // namespace quoll

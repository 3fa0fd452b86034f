#include "search/candidates.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

namespace quoll {

namespace {

static_assert(std::endian::native == std::endian::little,
              "byte i of a word is counter i of its row");

// A row of a neighbourhood: its five counters are the low five bytes of a word, the middle row
// leaving out the cell's own counter.
constexpr std::uint64_t kFiveCounters = 0x0101010101;
constexpr std::uint64_t kMiddleRow = 0x0101000101;
constexpr std::uint64_t kHighBits = 0x8080808080808080;
constexpr std::uint64_t kLowBits = 0x0101010101010101;

constexpr std::uint64_t rowStep(int row) { return row == 2 ? kMiddleRow : kFiveCounters; }

// The first counter of the five rows around `cell`.
inline std::uint8_t* neighbourhoodCorner(std::uint8_t* counts, Cell cell) {
    return counts + cellRow(cell) * kCountStride + cellColumn(cell);
}

inline std::uint64_t loadRow(const std::uint8_t* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

inline void storeRow(std::uint8_t* at, std::uint64_t word) { std::memcpy(at, &word, sizeof word); }

// The high bit of every zero byte of a word of counters below 0x80: no borrow crosses a byte.
inline std::uint64_t zeroBytes(std::uint64_t word) {
    return ~((word | kHighBits) - kLowBits) & kHighBits;
}

// Per column of a cell: the high bits of the bytes of its neighbourhood rows that lie on the board.
constexpr auto kColumnsOnBoard = [] {
    std::array<std::uint64_t, kBoardSize> bits{};
    for (int column = 0; column < kBoardSize; ++column)
        for (int i = 0; i < 5; ++i)
            if (const int c = column - 2 + i; c >= 0 && c < kBoardSize)
                bits[column] |= std::uint64_t{0x80} << (8 * i);
    return bits;
}();

inline void addNeighbourhood(std::uint8_t* counts, Cell cell) {
    std::uint8_t* corner = neighbourhoodCorner(counts, cell);
    for (int row = 0; row < 5; ++row) {
        std::uint8_t* at = corner + row * kCountStride;
        storeRow(at, loadRow(at) + rowStep(row));
    }
}

}  // namespace

void buildRootList(CandidateList& list, const std::uint8_t* board, NeighbourCounts& counts) {
    list.board = board;
    list.neighbourCount = counts.data();
    counts.fill(0);
    for (Cell cell = 0; cell < kCellCount; ++cell)
        if (board[cell] != kEmpty) addNeighbourhood(counts.data(), cell);
    list.size = 0;
    for (Cell cell = 0; cell < kCellCount; ++cell)
        if (board[cell] == kEmpty && counts[counterIndex(cell)] >= 1)
            list.cells[list.size++] = cell;
    list.next = list.cur = 0;
    list.limit = list.count = list.size;
    list.move = kNoCell;
}

namespace {

// The child's list: the parent's cells without the move, then the move's neighbours whose counter
// was zero, on the board and empty, in row order. A list that derives lists of its own counts
// the move's neighbourhood; a leaf's leaves the counters as they are.
template <bool CountNeighbours>
void deriveList(const CandidateList& parent, CandidateList& child) {
    const Cell move = parent.cells[parent.cur];
    child.board = parent.board;
    child.neighbourCount = parent.neighbourCount;
    // Only the valid cells: the rest of the array is never read and most of it is unused.
    std::copy_n(parent.cells.begin(), parent.size, child.cells.begin());
    child.size = static_cast<std::uint16_t>(parent.size - 1);
    child.cells[parent.cur] = child.cells[child.size];  // the last candidate takes m's place
    child.move = CountNeighbours ? move : kNoCell;      // kNoCell: nothing to release
    const std::uint8_t* board = child.board;
    int size = child.size;
    const int moveRow = cellRow(move), moveColumn = cellColumn(move);
    const std::uint64_t onBoard = kColumnsOnBoard[moveColumn];
    std::uint8_t* corner = neighbourhoodCorner(child.neighbourCount, move);
    for (int row = 0; row < 5; ++row) {
        std::uint8_t* at = corner + row * kCountStride;
        const std::uint64_t before = loadRow(at);
        if constexpr (CountNeighbours) storeRow(at, before + rowStep(row));
        const int boardRow = moveRow - 2 + row;
        if (boardRow < 0 || boardRow >= kBoardSize) continue;
        for (std::uint64_t fresh = zeroBytes(before) & onBoard & (rowStep(row) << 7); fresh != 0;
             fresh &= fresh - 1) {
            const Cell q = makeCell(boardRow, moveColumn - 2 + std::countr_zero(fresh) / 8);
            if (board[q] == kEmpty) child.cells[size++] = q;
        }
    }
    child.size = static_cast<std::uint16_t>(size);
    child.next = child.cur = 0;
    child.limit = child.count = child.size;
}

}  // namespace

void makeChildList(const CandidateList& parent, CandidateList& child) {
    deriveList<true>(parent, child);
}

void makeLeafList(const CandidateList& parent, CandidateList& leaf) {
    deriveList<false>(parent, leaf);
}

std::optional<Score> bestLeafScore(const CandidateList& parent, const GainMap& gains, int base,
                                   Score enough) {
    // The cells of deriveList<false>, visited where they lie instead of copied.
    const Cell move = parent.cells[parent.cur];
    auto score = [&](Cell x) { return static_cast<Score>(base + gains.gain[x]); };
    std::optional<Score> best;
    // Whether the search can stop, at a score of `enough` or more.
    auto take = [&](Cell x) {
        if (const Score v = score(x); !best || v > *best) best = v;
        return *best >= enough;
    };
    for (int i = 0; i < parent.size; ++i)
        if (i != parent.cur && take(parent.cells[i])) return best;
    const int moveRow = cellRow(move), moveColumn = cellColumn(move);
    const std::uint64_t onBoard = kColumnsOnBoard[moveColumn];
    const std::uint8_t* corner = neighbourhoodCorner(parent.neighbourCount, move);
    for (int row = 0; row < 5; ++row) {
        const int boardRow = moveRow - 2 + row;
        if (boardRow < 0 || boardRow >= kBoardSize) continue;
        const std::uint64_t before = loadRow(corner + row * kCountStride);
        for (std::uint64_t fresh = zeroBytes(before) & onBoard & (rowStep(row) << 7); fresh != 0;
             fresh &= fresh - 1) {
            const Cell q = makeCell(boardRow, moveColumn - 2 + std::countr_zero(fresh) / 8);
            if (parent.board[q] == kEmpty && take(q)) return best;
        }
    }
    return best;
}

bool unchangedLeafReaches(const CandidateList& parent, const GainMap& gains, int base,
                          Score enough) {
    // The parent's cells are the leaf list but for the move's new neighbours, which lie within
    // two steps of it: they may be left out, as the answer only has to be true when it says so.
    const Cell move = parent.cells[parent.cur];
    for (int i = 0; i < parent.size; ++i) {
        const Cell x = parent.cells[i];
        if (static_cast<Score>(base + gains.gain[x]) >= enough && i != parent.cur &&
            gainUnchangedBy(move, x))
            return true;
    }
    return false;
}

void releaseList(const CandidateList& list) {
    if (list.move == kNoCell) return;
    std::uint8_t* corner = neighbourhoodCorner(list.neighbourCount, list.move);
    for (int row = 0; row < 5; ++row) {
        std::uint8_t* at = corner + row * kCountStride;
        storeRow(at, loadRow(at) - rowStep(row));
    }
}

}  // namespace quoll

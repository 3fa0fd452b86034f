// Candidate lists: the root list from the board, child lists derived move by move along a search
// line, and the shared neighbour counters they leave as they found them.

#include "search/candidates.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "support/positions.hpp"

namespace quoll {
namespace {

using test::candidateSetByDefinition;
using test::kOpp;
using test::kOwn;

std::vector<Cell> listCells(const CandidateList& list) {
    return {list.cells.begin(), list.cells.begin() + list.size};
}

// Neighbour counters by their definition: stones within two rows and two columns.
NeighbourCounts countsByDefinition(const Board& board) {
    NeighbourCounts counts{};
    for (int q = 0; q < kCellCount; ++q)
        for (int p = 0; p < kCellCount; ++p)
            if (p != q && board[p] != kEmpty && std::abs(cellRow(p) - cellRow(q)) <= 2 &&
                std::abs(cellColumn(p) - cellColumn(q)) <= 2)
                ++counts[q];
    return counts;
}

TEST(RootList, HandCasesInIncreasingOrder) {
    Board board{};
    NeighbourCounts counts;
    CandidateList list;
    buildRootList(list, board.data(), counts);
    EXPECT_EQ(list.size, 0);  // an empty board
    board[0] = kOwn;
    buildRootList(list, board.data(), counts);
    EXPECT_EQ(listCells(list), (std::vector<Cell>{1, 2, 15, 16, 17, 30, 31, 32}));
    board[0] = kEmpty;
    board[kCentreCell] = kOpp;
    buildRootList(list, board.data(), counts);
    std::vector<Cell> square;
    for (int r = 5; r <= 9; ++r)
        for (int c = 5; c <= 9; ++c)
            if (makeCell(r, c) != kCentreCell) square.push_back(makeCell(r, c));
    EXPECT_EQ(listCells(list), square);
    EXPECT_EQ(std::make_tuple(list.next, list.cur, list.count, list.limit, list.move),
              std::make_tuple(0, 0, 24, 24, kNoCell));
    // A full board: no candidates, and the counters start afresh.
    for (int cell = 0; cell < kCellCount; ++cell) board[cell] = (cell * 7 % 3 == 0) ? kOwn : kOpp;
    counts.fill(99);
    buildRootList(list, board.data(), counts);
    EXPECT_EQ(list.size, 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(counts, countsByDefinition(board));
}

TEST(RootList, MatchesTheBruteForceSetOnRandomPositions) {
    std::mt19937 random(11);
    for (int round = 0; round < 100; ++round) {
        const GameRecord record = test::randomRecord(random, 1 + static_cast<int>(random() % 60));
        NeighbourCounts counts;
        CandidateList list;
        buildRootList(list, record.board.data(), counts);
        const std::set<Cell> expected = candidateSetByDefinition(record.board);
        EXPECT_EQ(std::vector<Cell>(expected.begin(), expected.end()), listCells(list));
        EXPECT_EQ(counts, countsByDefinition(record.board));
    }
}

// A search line: from a random root, each node picks a random move of its list, writes the
// stone, derives the child's list from it; then the line unwinds, releasing in reverse order.
TEST(ChildList, NestedListsHoldExactlyTheCandidateSetAlongRandomLines) {
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        GameRecord record = test::randomRecord(random, 1 + static_cast<int>(random() % 30));
        Board board = record.board;
        NeighbourCounts counts;
        std::vector<CandidateList> lists(1);
        lists.reserve(32);  // parent references stay valid while children are pushed
        buildRootList(lists[0], board.data(), counts);
        std::vector<NeighbourCounts> countsBefore;
        std::vector<Cell> played;
        const int depth = 1 + static_cast<int>(random() % 25);
        for (int ply = 0; ply < depth && lists.back().size > 0; ++ply) {
            CandidateList& parent = lists.back();
            parent.cur = static_cast<std::uint16_t>(random() % parent.size);
            const Cell m = parent.cells[parent.cur];
            ASSERT_EQ(board[m], kEmpty);
            board[m] = ply % 2 == 0 ? kOwn : kOpp;
            played.push_back(m);
            countsBefore.push_back(counts);
            const std::set<Cell> before(parent.cells.begin(), parent.cells.begin() + parent.size);

            CandidateList child;
            makeChildList(parent, child);
            lists.push_back(child);

            const std::vector<Cell> cells = listCells(child);
            const std::set<Cell> asSet(cells.begin(), cells.end());
            ASSERT_EQ(asSet.size(), cells.size()) << "duplicate cell, round " << round;
            ASSERT_EQ(asSet, candidateSetByDefinition(board))
                << "round " << round << " ply " << ply;
            EXPECT_EQ(counts, countsByDefinition(board));
            EXPECT_EQ(std::make_tuple(child.move, child.next, child.cur, child.count, child.limit),
                      std::make_tuple(m, 0, 0, child.size, child.size));
            // The parent's cells keep their order except that the last one fills m's place.
            for (int i = 0; i < parent.size - 1; ++i)
                EXPECT_EQ(child.cells[i],
                          i == parent.cur ? parent.cells[parent.size - 1] : parent.cells[i]);
            // New cells come after the parent's.
            for (int i = parent.size - 1; i < child.size; ++i)
                EXPECT_EQ(before.count(child.cells[i]), 0u);
        }
        while (lists.size() > 1) {
            releaseList(lists.back());
            lists.pop_back();
            board[played.back()] = kEmpty;
            played.pop_back();
            EXPECT_EQ(counts, countsBefore.back());
            countsBefore.pop_back();
        }
        EXPECT_EQ(counts, countsByDefinition(record.board));
    }
}

TEST(ChildList, ReleasesOnScopeExitAndRootListReleasesNothing) {
    Board board{};
    board[makeCell(3, 3)] = kOpp;
    NeighbourCounts counts;
    CandidateList root;
    buildRootList(root, board.data(), counts);
    const NeighbourCounts before = counts;
    releaseList(root);  // nothing to undo
    EXPECT_EQ(counts, before);
    root.cur = 5;
    board[root.cells[5]] = kOwn;
    {
        ChildList child(root);
        EXPECT_NE(counts, before);
        EXPECT_EQ(child->move, root.cells[5]);
        const NeighbourCounts withChild = counts;
        board[child->cells[0]] = kOpp;
        try {
            ChildList grandchild(*child);
            EXPECT_NE(counts, withChild);
            throw 1;  // an exception passing through the node releases its list too
        } catch (int) {
        }
        EXPECT_EQ(counts, withChild);
    }
    EXPECT_EQ(counts, before);
}

}  // namespace
}  // namespace quoll

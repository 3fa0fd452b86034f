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

TEST(RootList, CentreStoneGivesItsTwentyFourNeighboursInOrder) {
    Board board{};
    board[kCentreCell] = kOpp;
    NeighbourCounts counts;
    CandidateList list;
    buildRootList(list, board.data(), counts);
    std::vector<Cell> expected;
    for (int r = 5; r <= 9; ++r)
        for (int c = 5; c <= 9; ++c)
            if (makeCell(r, c) != kCentreCell) expected.push_back(makeCell(r, c));
    EXPECT_EQ(listCells(list), expected);
    EXPECT_EQ(list.next, 0);
    EXPECT_EQ(list.cur, 0);
    EXPECT_EQ(list.count, 24);
    EXPECT_EQ(list.limit, 24);
    EXPECT_EQ(list.move, kNoCell);
    EXPECT_EQ(counts, countsByDefinition(board));
}

TEST(RootList, CornerStoneGivesEightCells) {
    Board board{};
    board[0] = kOwn;
    NeighbourCounts counts;
    CandidateList list;
    buildRootList(list, board.data(), counts);
    EXPECT_EQ(listCells(list), (std::vector<Cell>{1, 2, 15, 16, 17, 30, 31, 32}));
}

TEST(RootList, FullAndEmptyBoardsGiveEmptyLists) {
    Board board{};
    NeighbourCounts counts;
    CandidateList list;
    buildRootList(list, board.data(), counts);
    EXPECT_EQ(list.size, 0);
    for (int cell = 0; cell < kCellCount; ++cell) board[cell] = (cell * 7 % 3 == 0) ? kOwn : kOpp;
    counts.fill(99);  // the build starts its counters afresh
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
        const std::vector<Cell> cells = listCells(list);
        const std::set<Cell> expected = candidateSetByDefinition(record.board);
        EXPECT_EQ(std::vector<Cell>(expected.begin(), expected.end()), cells);  // increasing order
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
            EXPECT_EQ(asSet.count(m), 0u);
            EXPECT_EQ(counts, countsByDefinition(board));
            EXPECT_EQ(child.move, m);
            EXPECT_EQ(child.next, 0);
            EXPECT_EQ(child.cur, 0);
            EXPECT_EQ(child.count, child.size);
            EXPECT_EQ(child.limit, child.size);
            // The parent's cells keep their order except that the last one fills m's place.
            for (int i = 0; i < parent.size - 1; ++i)
                EXPECT_EQ(child.cells[i],
                          i == parent.cur ? parent.cells[parent.size - 1] : parent.cells[i]);
            // New cells come after the parent's, in neighbourhood order.
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

TEST(ChildList, CellAlreadyCountedIsNotAppendedAgain) {
    Board board{};
    board[makeCell(7, 7)] = kOpp;
    NeighbourCounts counts;
    CandidateList root;
    buildRootList(root, board.data(), counts);
    // (7,9) is a candidate; its neighbourhood overlaps the centre's.
    ASSERT_TRUE(std::find(root.cells.begin(), root.cells.begin() + root.size, makeCell(7, 9)) !=
                root.cells.begin() + root.size);
    root.cur = static_cast<std::uint16_t>(
        std::find(root.cells.begin(), root.cells.begin() + root.size, makeCell(7, 9)) -
        root.cells.begin());
    board[makeCell(7, 9)] = kOwn;
    CandidateList child;
    makeChildList(root, child);
    // 24 - 1 old cells, plus the columns 10 and 11 of rows 5..9 (10 cells).
    EXPECT_EQ(child.size, 23 + 10);
    EXPECT_EQ(counts[makeCell(7, 8)], 2);
    releaseList(child);
    EXPECT_EQ(counts[makeCell(7, 8)], 1);
    EXPECT_EQ(counts[makeCell(7, 11)], 0);
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

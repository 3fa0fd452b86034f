// Move generation and ordering: the score-dependent move limits, the threat filters, the
// partition they share, the first move and the order of the rest. Also the fixed margins.

#include "tree/moves.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "support/positions.hpp"
#include "tree/pruning.hpp"

namespace quoll {
namespace {

CandidateList listOf(const std::vector<Cell>& cells) {
    CandidateList list{};
    for (Cell c : cells) list.cells[list.size++] = c;
    list.count = list.limit = list.size;
    list.move = kNoCell;
    return list;
}

std::vector<Cell> range(const CandidateList& list, int from, int to) {
    return {list.cells.begin() + from, list.cells.begin() + to};
}

int limitFor(int score, const MoveLimitParams& params, int count = kCellCount) {
    CandidateList list{};
    list.size = list.count = static_cast<std::uint16_t>(count);
    list.limit = 0;
    setMoveLimit(list, score, params);
    return list.limit;
}

struct LimitRow {
    int score;
    int limit;
};

TEST(MoveLimit, ZeroWindowTableRowByRow) {
    const LimitRow rows[] = {
        {30000, 13}, {29000, 13},  // won
        {28999, 8},  {1000, 8},   {48, 8},  // span and up
        {47, 9},     {32, 9},     {31, 10}, {16, 10}, {15, 11}, {0, 11}, {-1, 12}, {-16, 12},
        {-17, 13},   {-32, 13},   {-33, 14}, {-48, 14}, {-49, 15}, {-1000, 15}, {-28999, 15},
        {-29000, kCellCount},     {-30000, kCellCount}, {-31000, kCellCount},  // lost: all
    };
    for (const LimitRow& row : rows)
        EXPECT_EQ(limitFor(row.score, kNonPvMoveLimits), row.limit) << "score " << row.score;
}

TEST(MoveLimit, PrincipalVariationTableRowByRow) {
    const LimitRow rows[] = {
        {30000, 11}, {29000, 11}, {28999, 14}, {125, 14},  {124, 15},  {100, 15},  {99, 16},
        {75, 16},    {74, 17},    {50, 17},    {49, 18},   {25, 18},   {24, 19},   {0, 19},
        {-1, 20},    {-25, 20},   {-26, 21},   {-50, 21},  {-51, 22},  {-75, 22},  {-76, 23},
        {-100, 23},  {-101, 24},  {-125, 24},  {-126, 25}, {-28999, 25},
        {-29000, kCellCount},     {-31000, kCellCount},
    };
    for (const LimitRow& row : rows)
        EXPECT_EQ(limitFor(row.score, kPvMoveLimits), row.limit) << "score " << row.score;
}

TEST(MoveLimit, CappedByCount) {
    EXPECT_EQ(limitFor(0, kNonPvMoveLimits, 5), 5);
    EXPECT_EQ(limitFor(0, kPvMoveLimits, 19), 19);
    EXPECT_EQ(limitFor(0, kPvMoveLimits, 18), 18);
    EXPECT_EQ(limitFor(30000, kNonPvMoveLimits, 2), 2);
    EXPECT_EQ(limitFor(-30000, kNonPvMoveLimits, 7), 7);
    EXPECT_EQ(limitFor(-30000, kPvMoveLimits, 0), 0);
}

TEST(Margins, GeneratedTablesMatchTheirRows) {
    EXPECT_EQ((std::vector<int>(kFutilityMargin.begin(), kFutilityMargin.begin() + 6)),
              (std::vector<int>{40, 110, 150, 220, 260, 330}));
    EXPECT_EQ((std::vector<int>(kReverseMargin.begin(), kReverseMargin.begin() + 6)),
              (std::vector<int>{40, 0, -70, -110, -180, -220}));
    EXPECT_EQ(kFutilityMargin[49], 2750);
    EXPECT_EQ(kReverseMargin[49], -2640);
    EXPECT_EQ(kHorizonFutilityMargin, 110);
    EXPECT_EQ(kHorizonOffset, 40);
    EXPECT_EQ(kDepthExtension, (std::array<Depth, 4>{0, 6, 4, 19}));
    EXPECT_EQ(kVcfBudgetNonPv, 180);
    EXPECT_EQ(kVcfBudgetPv, 216);
    // Depth in steps of twelve; iterations past fifty plies share the last entry.
    const int indexRows[][2] = {{0, 0},    {11, 0},    {12, 1},    {587, 48}, {588, 49},
                                {599, 49}, {600, 49},  {2700, 49}, {32767, 49}, {-12, 0}};
    for (const auto& [depth, index] : indexRows) EXPECT_EQ(marginIndex(depth), index) << depth;
    EXPECT_EQ(lossScore(3, 2), 5 - 30000);
    EXPECT_EQ(lossScore(3, 4), 7 - 30000);
    EXPECT_EQ(lossScore(3, 6), 9 - 30000);
    EXPECT_EQ(winBound(3), 30000 - 6);
}

TEST(KeepCandidates, TwoPointerPartitionOrder) {
    auto odd = [](Cell c) { return c % 2 == 1; };
    CandidateList list = listOf({10, 11, 12, 13, 14, 15, 16, 17});
    keepCandidates(list, odd);
    EXPECT_EQ(range(list, 0, 8), (std::vector<Cell>{17, 11, 15, 13, 14, 12, 16, 10}));
    EXPECT_EQ(std::make_tuple(list.count, list.limit, list.size), std::make_tuple(4, 4, 8));

    // Only cells[next, count) take part; a lower limit stays.
    list = listOf({10, 11, 12, 13, 14, 15, 16, 17});
    list.next = 1;
    list.limit = 3;
    keepCandidates(list, odd);
    EXPECT_EQ(range(list, 0, 8), (std::vector<Cell>{10, 11, 17, 13, 15, 14, 16, 12}));
    EXPECT_EQ(std::make_tuple(list.count, list.limit), std::make_tuple(5, 3));
}

TEST(KeepCandidates, RandomPartitionsKeepExactlyThePassingCells) {
    std::mt19937 random(5);
    for (int round = 0; round < 500; ++round) {
        CandidateList list{};
        list.size = static_cast<std::uint16_t>(random() % 40);
        for (int i = 0; i < list.size; ++i) list.cells[i] = static_cast<Cell>(i * 3);
        std::shuffle(list.cells.begin(), list.cells.begin() + list.size, random);
        list.count = list.limit = list.size;
        list.next = static_cast<std::uint16_t>(list.size == 0 ? 0 : random() % (list.size + 1));
        const CandidateList before = list;
        const unsigned salt = random();
        auto keep = [&](Cell c) { return ((c * 2654435761u) ^ salt) % 3 != 0; };
        keepCandidates(list, keep);
        for (int i = 0; i < list.next; ++i) EXPECT_EQ(list.cells[i], before.cells[i]);
        int passing = 0;
        for (int i = before.next; i < before.count; ++i) passing += keep(before.cells[i]);
        EXPECT_EQ(list.count, before.next + passing);
        for (int i = list.next; i < list.count; ++i) EXPECT_TRUE(keep(list.cells[i]));
        for (int i = list.count; i < list.size; ++i) EXPECT_FALSE(keep(list.cells[i]));
        std::vector<Cell> a = range(before, 0, before.size), b = range(list, 0, list.size);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
    }
}

struct Trackers {
    std::unique_ptr<LinkPool> pool = std::make_unique<LinkPool>();
    ThreatTracker own = test::emptyTracker(*pool);
    ThreatTracker other = test::emptyTracker(*pool);
};

std::vector<Cell> sortedRange(const CandidateList& list, int from, int to) {
    std::vector<Cell> cells = range(list, from, to);
    std::sort(cells.begin(), cells.end());
    return cells;
}

// The other side's double fours (pairs of one owner) and the side to move's own fours.
TEST(MultiFourFilter, KeepsCellsAnsweringEveryDoubleFourAndOwnFours) {
    using Pairs = std::vector<std::pair<Cell, Cell>>;
    struct Case {
        Pairs theirs, ours;
        std::vector<Cell> list, kept;
    };
    const Pairs twoGroups = {{100, 101}, {100, 102}, {120, 121}, {120, 122}};
    const Case cases[] = {
        // One group of two: its owner and partners, and the own four 50.
        {{{100, 101}, {100, 102}},
         {{50, 51}},
         {60, 100, 101, 102, 103, 50, 70},
         {50, 100, 101, 102}},
        // A group of three partners is answered by its owner only.
        {{{100, 101}, {100, 102}, {100, 103}}, {}, {101, 102, 103, 100}, {100}},
        // Two groups that no cell answers: the node is lost, unless it has a four.
        {twoGroups, {}, {100, 101, 120, 122, 50, 7}, {}},
        {twoGroups, {{7, 8}}, {100, 101, 120, 122, 50, 7}, {7}},
        // The owner of one group is a partner of the other, which has two partners.
        {{{100, 101}, {100, 120}, {120, 121}, {120, 122}}, {}, {100, 101, 120, 121, 122}, {120}},
    };
    for (const Case& c : cases) {
        Trackers t;
        for (auto [cell, partner] : c.theirs) addFourPair(t.other, cell, partner);
        for (auto [cell, partner] : c.ours) addFourPair(t.own, cell, partner);
        CandidateList list = listOf(c.list);
        multiFourFilter(list, t.own, t.other);
        EXPECT_EQ(sortedRange(list, 0, list.count), c.kept) << "list of " << c.list.size();
        EXPECT_EQ(std::size_t{list.limit}, c.kept.size());
        EXPECT_EQ(hasMoves(list), !c.kept.empty());
    }
    Trackers t;
    addFourPair(t.other, 100, 101);
    addFourPair(t.other, 100, 102);
    EXPECT_EQ(unansweredDoubleFours(t.other, 101), 0);
    EXPECT_EQ(unansweredDoubleFours(t.other, 103), 1);
    addFourPair(t.other, 100, 103);
    EXPECT_EQ(unansweredDoubleFours(t.other, 100), 0);
    EXPECT_EQ(unansweredDoubleFours(t.other, 101), 1);
}

TEST(CombinationFilter, FirstAndLastEntriesSetMeanNoRestriction) {
    Trackers t;
    DefenceMask mask{};
    mask[0] = kDefends;
    mask[224] = 1;  // any non-zero value
    CandidateList list = listOf({10, 20, 30});
    EXPECT_FALSE(combinationFilter(list, t.own, mask));
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(range(list, 0, 3), (std::vector<Cell>{10, 20, 30}));

    mask[224] = 0;
    mask[20] = kDefends;
    addFourPair(t.own, 30, 31);
    EXPECT_TRUE(combinationFilter(list, t.own, mask));
    EXPECT_EQ(sortedRange(list, 0, list.count), (std::vector<Cell>{20, 30}));
    EXPECT_EQ(list.limit, 2);

    mask.fill(0);
    list = listOf({10, 20});
    EXPECT_TRUE(combinationFilter(list, t.own, mask));
    EXPECT_FALSE(hasMoves(list));
}

GainMap gainsOf(std::initializer_list<std::pair<Cell, Score>> values) {
    GainMap gains{};
    for (auto [cell, gain] : values) gains.gain[cell] = gain;
    return gains;
}

TEST(FirstMove, TableMoveOnlyFromTheSearchablePart) {
    const GainMap gains = gainsOf({{10, 5}, {11, 50}, {12, 7}, {13, 1}, {14, 99}});
    CandidateList list = listOf({14, 10, 11, 12, 13});
    list.next = 1;
    list.count = 4;  // 13 was filtered away
    list.limit = 4;

    CandidateList l = list;
    EXPECT_EQ(chooseFirstMove(l, 12, gains), 12);
    EXPECT_EQ(range(l, 0, 5), (std::vector<Cell>{14, 12, 11, 10, 13}));
    EXPECT_EQ(std::make_tuple(l.cur, l.next), std::make_tuple(1, 2));

    // Before next (already searched) or behind count (filtered): the gain decides.
    for (Cell tt : {Cell{14}, Cell{13}, kNoCell, Cell{200}}) {
        l = list;
        EXPECT_EQ(chooseFirstMove(l, tt, gains), 11) << tt;
        EXPECT_EQ(std::make_tuple(l.cells[1], l.cur, l.next), std::make_tuple(11, 1, 2));
    }
}

TEST(FirstMove, EqualGainsGoToTheLargerCell) {
    const GainMap gains = gainsOf({{30, 8}, {31, 8}, {29, 8}, {5, 2}});
    CandidateList list = listOf({30, 5, 31, 29});
    EXPECT_EQ(chooseFirstMove(list, kNoCell, gains), 31);
    EXPECT_EQ(list.cells[0], 31);
}

TEST(SortRemainingMoves, TotalOrderByGainThenCellAsFarAsTheLoopReaches) {
    std::mt19937 random(9);
    for (int round = 0; round < 100; ++round) {
        GainMap gains{};
        for (Score& g : gains.gain) g = static_cast<Score>(static_cast<int>(random() % 7) - 3);
        CandidateList list{};
        list.size = static_cast<std::uint16_t>(random() % 100);
        for (int i = 0; i < list.size; ++i) list.cells[i] = static_cast<Cell>(random() % 225);
        std::sort(list.cells.begin(), list.cells.begin() + list.size);
        list.size = static_cast<std::uint16_t>(
            std::unique(list.cells.begin(), list.cells.begin() + list.size) - list.cells.begin());
        std::shuffle(list.cells.begin(), list.cells.begin() + list.size, random);
        list.count = static_cast<std::uint16_t>(list.size == 0 ? 0 : random() % (list.size + 1));
        list.next = static_cast<std::uint16_t>(list.count == 0 ? 0 : random() % (list.count + 1));
        list.limit = static_cast<std::uint16_t>(list.next + random() % (list.count - list.next + 1));
        const CandidateList before = list;
        sortRemainingMoves(list, gains, kNonPvMoveLimits);
        for (int i = 0; i < list.size; ++i) {
            if (i < list.next || i >= list.count) {
                EXPECT_EQ(list.cells[i], before.cells[i]);
            }
        }
        std::vector<Cell> expected = range(before, before.next, before.count);
        std::sort(expected.begin(), expected.end(), [&](Cell x, Cell y) {
            return gains.gain[x] != gains.gain[y] ? gains.gain[x] > gains.gain[y] : x > y;
        });
        // In order as far as the loop reaches (the limit, or the won limit); the rest kept.
        const int reach = std::min<int>(list.count, std::max<int>(list.limit, kNonPvMoveLimits.wonLimit));
        std::vector<Cell> searchable = range(list, list.next, list.count);
        if (reach > list.next) {
            expected.resize(reach - list.next);
            EXPECT_EQ(range(list, list.next, reach), expected);
        }
        std::sort(searchable.begin(), searchable.end());
        std::vector<Cell> all = range(before, before.next, before.count);
        std::sort(all.begin(), all.end());
        EXPECT_EQ(searchable, all);
    }
}

}  // namespace
}  // namespace quoll

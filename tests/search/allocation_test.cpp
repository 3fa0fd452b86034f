// Nothing in the search allocates on the heap: every global operator new of this test program
// is counted, and the count must not move across a search.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "search/root.hpp"
#include "search/timer.hpp"
#include "support/positions.hpp"
#include "tree/horizon.hpp"
#include "tree/vcf.hpp"

namespace {
std::size_t allocationCount = 0;

void* countedAllocation(std::size_t size) {
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

// Not inlined: the compiler would otherwise pair malloc and free across the call sites.
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (void* p = countedAllocation(size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) {
    if (void* p = countedAllocation(size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
[[gnu::noinline]] void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace quoll {
namespace {

using test::kOpp;
using test::kOwn;

EngineState& engine() {
    static EngineState state;
    return state;
}

TEST(NoHeapInSearch, CounterSeesAllocations) {
    const std::size_t before = allocationCount;
    // Direct calls: a new-expression whose result goes unused may be elided.
    void* p = ::operator new(16);
    void* q = ::operator new[](16, std::nothrow);
    ::operator delete[](q);
    ::operator delete(p);
    EXPECT_EQ(allocationCount, before + 2);
    std::vector<int> grown;
    grown.push_back(1);
    EXPECT_EQ(allocationCount, before + 3);
}

TEST(NoHeapInSearch, RootSearchAtFixedDepth) {
    EngineState& state = engine();
    resizeTable(state.table, 1 << 16);
    std::vector<GameRecord> records = test::benchRecords();
    std::mt19937 random(8);
    for (int i = 0; i < 6; ++i) records.push_back(test::randomRecord(random, 5 + 5 * i));
    for (const GameRecord& record : records) {
        loadSearchPosition(state, record);  // may allocate the history
        startUnlimitedSearchTimer();
        RootReport report;
        const std::size_t before = allocationCount;
        const Cell move = searchRoot(state, &report, 60);
        EXPECT_EQ(allocationCount, before) << "allocations in searchRoot";
        EXPECT_NE(move, kNoCell);
    }
}

TEST(NoHeapInSearch, VcfAndHorizon) {
    EngineState& state = engine();
    // The four sequence: row-10 three blocked at (10,1), then the open four on column 5.
    test::loadStones(
        state,
        {{10, 2, kOwn}, {10, 3, kOwn}, {10, 4, kOwn}, {12, 5, kOwn}, {13, 5, kOwn}, {5, 5, kOpp}});
    test::RootFrame frame(state);
    state.board[makeCell(10, 1)] = kOpp;
    std::size_t before = allocationCount;
    const Score vcf = vcfAttack<Colour::Own>(state, 180, 3, -kInfinity, kInfinity, frame.ownThreats,
                                             frame.oppThreats, makeCell(10, 4), makeCell(10, 1));
    EXPECT_EQ(allocationCount, before) << "allocations in vcfAttack";
    EXPECT_EQ(vcf, 30000 - 8);
    state.board[makeCell(10, 1)] = kEmpty;

    // Horizon nodes after every root candidate.
    frame.rebuild(state);
    for (int i = 0; i < frame.list.size; ++i) {
        frame.list.cur = static_cast<std::uint16_t>(i);
        const Cell m = frame.list.cells[i];
        state.board[m] = kOwn;
        const auto eval = static_cast<Score>(-(frame.rootEval + frame.ownGain.gain[m]));
        before = allocationCount;
        horizonSearch<Colour::Opponent>(state, 1, eval, -kInfinity, kInfinity, frame.oppGain,
                                        frame.list, frame.oppThreats, frame.ownThreats);
        EXPECT_EQ(allocationCount, before) << "allocations in horizonSearch";
        state.board[m] = kEmpty;
    }
}

}  // namespace
}  // namespace quoll

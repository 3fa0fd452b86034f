// INFO values, the move budget the think step derives from them, and the table START sizes.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "in_process.hpp"
#include "protocol/protocol_state.hpp"
#include "protocol/start.hpp"
#include "search/timer.hpp"

namespace quoll {
namespace {

class Settings : public ::testing::Test {
  protected:
    void SetUp() override { test::resetProcessRecords(); }
    void TearDown() override { test::resetProcessRecords(); }
};

// The field after one INFO value.
template <typename T>
T after(const char* key, const char* value, T GameSettings::*field) {
    applyInfo(key, value);
    return gameSettings.*field;
}

TEST_F(Settings, NumericValuesUseTheirKeysWidthAndStoreZeroWhenUnreadable) {
    EXPECT_EQ(after("TIMEOUT_TURN", "1000", &GameSettings::timeoutTurn), 1000);
    EXPECT_EQ(after("TIMEOUT_TURN", "1000MS", &GameSettings::timeoutTurn), 1000);
    EXPECT_EQ(after("TIMEOUT_TURN", "ABC", &GameSettings::timeoutTurn), 0);
    EXPECT_EQ(after("TIME_LEFT", "2147483647", &GameSettings::timeLeft), 2147483647);
    // Beyond the key's 32 bits: the largest value, so that the engine still searches.
    EXPECT_EQ(after("TIME_LEFT", "2147483648", &GameSettings::timeLeft), 2147483647);
    EXPECT_EQ(after("TIMEOUT_MATCH", "-7", &GameSettings::timeoutMatch), -7);
    EXPECT_EQ(after("GAME_TYPE", "1", &GameSettings::gameType), 1);
    EXPECT_EQ(after("RULE", "4", &GameSettings::rule), 4);
    EXPECT_EQ(after("RULE", "X", &GameSettings::rule), 0);
    // MAX_MEMORY and HASH_SIZE share one unsigned 64-bit field.
    EXPECT_EQ(after("MAX_MEMORY", "83886080", &GameSettings::maxMemory), 83886080u);
    EXPECT_EQ(after("HASH_SIZE", "48", &GameSettings::maxMemory), 48u);
    EXPECT_EQ(after("MAX_MEMORY", "4294967296000", &GameSettings::maxMemory), 4294967296000u);
    EXPECT_EQ(after("MAX_MEMORY", "-1", &GameSettings::maxMemory), UINT64_MAX);
    EXPECT_EQ(after("MAX_MEMORY", "9223372036854775808", &GameSettings::maxMemory), INT64_MAX);
}

TEST_F(Settings, FolderIsStoredAsAWidePathInUpperCase) {
    ProtocolState state;
    EXPECT_EQ(test::runLines(state, "info folder c:/engines/quoll\n"), "");
    EXPECT_EQ(gameSettings.folder, L"C:/ENGINES/QUOLL");
}

TEST_F(Settings, UnknownKeyIsOnlyLogged) {
    test::CapturedLog log;
    ProtocolState state;
    EXPECT_EQ(test::runLines(state, "INFO EVALUATE 7,7\ninfo timeout_turn 1234\n"), "");
    EXPECT_EQ(gameSettings.timeoutTurn, 1234);
    const GameSettings defaults;
    EXPECT_EQ(gameSettings.timeLeft, defaults.timeLeft);
    EXPECT_EQ(gameSettings.maxMemory, defaults.maxMemory);
    const auto lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Unknown info key \"EVALUATE\" (value 7,7)"),
              lines.end());
}

// The deadlines the think step sets for one BEGIN: the search's part of the move budget (a
// twentieth of the match time left, capped by the turn limit) and a third of it.
TEST_F(Settings, ThinkDeadlinesFollowTheSettingsOfTheMoment) {
    struct Case {
        std::string info;
        std::int64_t budgetMs;
    };
    for (const Case& c : std::vector<Case>{{"", 5000},
                                           {"INFO TIME_LEFT 30000\n", 1500},
                                           {"INFO TIME_LEFT 1000\n", 50},
                                           {"INFO TIME_LEFT 20\n", 1},
                                           {"INFO TIME_LEFT 19\n", 0},
                                           {"INFO TIMEOUT_TURN 0\n", 0}}) {
        test::resetProcessRecords();
        ProtocolState state;
        EXPECT_EQ(test::runLines(state, "INFO MAX_MEMORY 1000\nSTART 15\n" + c.info + "BEGIN\n"),
                  "OK\n7,7\n");
        const std::int64_t searchNs = searchBudgetNs(c.budgetMs);
        EXPECT_EQ(searchTimer.hardDeadlineNs - searchTimer.searchStartNs, searchNs) << c.info;
        EXPECT_EQ(searchTimer.softDeadlineNs - searchTimer.searchStartNs, searchNs / 3) << c.info;
        EXPECT_FALSE(searchTimer.stopFlag);
    }
}

class TableSizing : public Settings {
  protected:
    std::uint64_t tableSizeAfter(const std::string& lines) {
        ProtocolState state;
        test::runLines(state, lines);
        return engineState.table.size;
    }
};

// The limit is for the whole process: the table gets what the rest of it leaves. 0 is no limit.
const std::string kRest = std::to_string(kRestOfProcessBytes);

TEST_F(TableSizing, StartSizesTheTableFromMaxMemory) {
    EXPECT_EQ(tableSizeAfter("INFO MAX_MEMORY 0\nSTART 15\n"), std::uint64_t{1} << 23);
    EXPECT_EQ(tableSizeAfter("INFO MAX_MEMORY 2400\nSTART 15\n"), 1u);
    EXPECT_EQ(tableSizeAfter("INFO MAX_MEMORY " + std::to_string(kRestOfProcessBytes + 47) +
                             "\nSTART 15\n"),
              1u);
    EXPECT_EQ(tableSizeAfter("INFO HASH_SIZE " + std::to_string(kRestOfProcessBytes + 48) +
                             "\nSTART 15\n"),
              2u);
    test::resetProcessRecords();
    EXPECT_EQ(tableSizeAfter("START 15\n"), std::uint64_t{1} << 23);
}

TEST_F(TableSizing, FailedStartLeavesEverythingAsItWas) {
    ProtocolState state;
    EXPECT_EQ(test::runLines(state, "START 14\nSTART\n"),
              "ERROR Unsupported size of board 14. This version only supports board size 15\n"
              "ERROR Invalid syntax\n");
    EXPECT_EQ(state.mode, ProtocolMode::Idle);
    EXPECT_EQ(engineState.table.size, 0u);
}

TEST_F(TableSizing, SameCountKeepsTheTableAnotherCountReplacesIt) {
    ProtocolState state;
    const auto limit = [](int tableBytes) {
        return "INFO MAX_MEMORY " + std::to_string(kRestOfProcessBytes + tableBytes) + "\n";
    };
    ASSERT_EQ(test::runLines(state, limit(2400) + "START 15\n"), "OK\n");
    storeEntry(engineState.table, 0x1234, 48, 0, 5, 5, 17, NodeKind::Pv);
    const TTEntry* before = engineState.table.entries.get();

    ASSERT_EQ(test::runLines(state, limit(2500) + "START 15\n"), "OK\n");
    ASSERT_EQ(engineState.table.entries.get(), before);
    EXPECT_EQ(tableSlot(engineState.table, 0x1234).key, 0x1234u);
    EXPECT_EQ(tableSlot(engineState.table, 0x1234).move, 17);

    ASSERT_EQ(test::runLines(state, limit(4800) + "START 15\n"), "OK\n");
    EXPECT_EQ(engineState.table.size, 128u);
    for (std::uint64_t i = 0; i < engineState.table.size; ++i)
        EXPECT_EQ(engineState.table.entries[i].key, 0u);
}

TEST(TableBudget, HalfThePhysicalMemoryAtMost) {
    EXPECT_EQ(tableBudgetBytes(350000000, std::uint64_t{16} << 30),
              350000000u - kRestOfProcessBytes);
    EXPECT_EQ(tableBudgetBytes(UINT64_MAX, std::uint64_t{16} << 30), std::uint64_t{8} << 30);
    // Unknown machine: as asked.
    EXPECT_EQ(tableBudgetBytes(UINT64_MAX, 0), UINT64_MAX - kRestOfProcessBytes);
}

// A negative MAX_MEMORY asks for a table of 2^59 entries. Run in a child process whose address
// space is limited, so the halving down to a table that fits is exercised for real.
[[maybe_unused, noreturn]] void startWithNegativeMaxMemoryInLimitedSpace() {
    const rlimit limit{std::uint64_t{768} << 20, std::uint64_t{768} << 20};
    setrlimit(RLIMIT_AS, &limit);
    test::resetProcessRecords();
    ProtocolState state;
    const std::string output = test::runLines(state, "INFO MAX_MEMORY -1\nSTART 15\nBEGIN\n");
    const std::uint64_t size = engineState.table.size;
    const bool powerOfTwo = size != 0 && (size & (size - 1)) == 0;
    std::exit(output == "OK\n7,7\n" && powerOfTwo ? 0 : 1);
}

TEST(TableSizingDeathTest, NegativeMaxMemoryStillLeavesATable) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not mix with the address sanitizer";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(startWithNegativeMaxMemoryInLimitedSpace(), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace quoll

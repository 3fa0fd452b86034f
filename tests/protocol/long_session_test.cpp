// One engine process, hundreds of short games: openings sent by BOARD in every row form, a simple
// opponent by TURN, and malformed lines in between whose error replies are known exactly. The
// test keeps its own record of every game; each reply must be exactly the one expected (a move
// on a free cell, a five when one is in reach). The engine's resident memory must not grow once
// the session has settled.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/engine_client.hpp"

namespace {

using namespace std::string_literals;
using quoll::test::EngineClient;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kGames = 100;  // the sanitizer build is several times slower
constexpr bool kMemoryChecked = false;  // freed blocks wait in the sanitizer's quarantine
#else
constexpr int kGames = 300;
constexpr bool kMemoryChecked = true;
#endif
constexpr int kSettledGame = 10;        // resident memory is measured from here to the end
constexpr long kRssToleranceKb = 512;  // pages touched late, not growth per game
constexpr int kTurnsPerGame = 10;
constexpr std::size_t kMegabyte = 1 << 20;

constexpr int kSize = 15;
constexpr int kCells = kSize * kSize;
enum Stone : std::uint8_t { kEmpty = 0, kOwn = 1, kOpponent = 2 };
using Board = std::array<std::uint8_t, kCells>;

const std::string kProbe = "PROBE";
const std::string kProbeReply = "ERROR Unknown command \"PROBE\"";

std::string cellWords(int cell) {
    return std::to_string(cell % kSize) + "," + std::to_string(cell / kSize);
}

// The longest run of `stone` through `cell` along each direction, with the cell counted as
// holding `stone`; an exact five is a run of exactly five.
bool makesExactFive(const Board& board, int cell, std::uint8_t stone) {
    static constexpr int kDirections[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
    const int row = cell / kSize, column = cell % kSize;
    for (const auto& direction : kDirections) {
        int run = 1;
        for (const int sign : {1, -1})
            for (int step = 1;; ++step) {
                const int r = row + sign * step * direction[1];
                const int c = column + sign * step * direction[0];
                if (r < 0 || r >= kSize || c < 0 || c >= kSize || board[r * kSize + c] != stone) break;
                ++run;
            }
        if (run == 5) return true;
    }
    return false;
}

std::optional<int> fiveInReach(const Board& board, std::uint8_t stone) {
    for (int c = 0; c < kCells; ++c)
        if (board[c] == kEmpty && makesExactFive(board, c, stone)) return c;
    return std::nullopt;
}

bool hasFive(const Board& board) {
    for (int c = 0; c < kCells; ++c)
        if (board[c] != kEmpty && makesExactFive(board, c, board[c])) return true;
    return false;
}

std::optional<int> parseMove(const std::string& line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) return std::nullopt;
    auto coordinate = [](const std::string& text) -> std::optional<int> {
        if (text.empty() || text.size() > 2 || (text.size() == 2 && text[0] == '0')) return std::nullopt;
        int value = 0;
        for (const char c : text) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return value < kSize ? std::optional<int>(value) : std::nullopt;
    };
    const auto x = coordinate(line.substr(0, comma));
    const auto y = coordinate(line.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return *y * kSize + *x;
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    return -1;
}

// A malformed line and the replies it must produce, in order (none for a silent line).
struct Malformed {
    std::string bytes;  // without the final line feed
    std::vector<std::string> replies;
};

class LongSession : public ::testing::Test {
  protected:
    void SetUp() override {
        // Blocks of 128 kB and more go straight back to the system when freed, so that the
        // megabyte lines leave no trace in the resident memory that the heap would hold anyway.
        setenv("GLIBC_TUNABLES", "glibc.malloc.mmap_threshold=131072", 1);
        ASSERT_TRUE(engine.start(QUOLL_ENGINE_PATH));
        unsetenv("GLIBC_TUNABLES");
        engine.sendLine("INFO MAX_MEMORY 4000000");
        engine.sendLine("INFO TIMEOUT_TURN 20");
        engine.sendLine("START 15");
        ASSERT_TRUE(engine.expectLine("OK"));
    }

    int randomBelow(int bound) {
        return static_cast<int>(generator() % static_cast<std::uint64_t>(bound));
    }

    // The engine's reply to a move request: a move on a free cell, and a five when it has one.
    void expectEngineMove(const std::string& request) {
        const std::optional<std::string> line = engine.readLine();
        ASSERT_TRUE(line.has_value()) << "no reply to " << request;
        const std::optional<int> cell = parseMove(*line);
        ASSERT_TRUE(cell.has_value()) << "not a move: \"" << *line << "\" after " << request;
        ASSERT_EQ(board[*cell], kEmpty) << "engine played on a taken cell " << *line;
        const bool fiveAvailable = fiveInReach(board, kOwn).has_value();
        const bool five = makesExactFive(board, *cell, kOwn);
        EXPECT_TRUE(five || !fiveAvailable) << "engine missed its five, played " << *line;
        board[*cell] = kOwn;
        if (five) over = true;
    }

    void expectReplies(const Malformed& line) {
        for (const std::string& reply : line.replies)
            ASSERT_TRUE(engine.expectLine(reply)) << "after a malformed line of "
                                                  << line.bytes.size() << " bytes";
        if (line.replies.empty()) {
            ASSERT_TRUE(engine.expectLine(kProbeReply)) << "line not silent";
        }
    }

    void sendMalformed(const Malformed& line) {
        ASSERT_TRUE(engine.sendRaw(line.bytes + "\n"));
        if (line.replies.empty()) engine.sendLine(kProbe);
        expectReplies(line);
    }

    // Opening stones near the centre, alternating, the last one the opponent's; no five.
    std::vector<int> openingCells(int count) {
        for (;;) {
            std::vector<int> cells;
            Board trial{};
            while (static_cast<int>(cells.size()) < count) {
                const int cell = (4 + randomBelow(7)) * kSize + 4 + randomBelow(7);
                if (trial[cell] != kEmpty) continue;
                trial[cell] = (count - 1 - static_cast<int>(cells.size())) % 2 == 0 ? kOpponent : kOwn;
                cells.push_back(cell);
            }
            if (!hasFive(trial)) return cells;
        }
    }

    // A new game by BOARD, its rows in one of the forms the manager may use.
    void openGame() {
        board = Board{};
        over = false;
        const int form = randomBelow(6);
        const int count = form == 0 ? 0 : 1 + randomBelow(9);
        const std::vector<int> cells = openingCells(count);
        std::string block = "BOARD\n";
        for (int i = 0; i < count; ++i) {
            const std::uint8_t stone = (count - 1 - i) % 2 == 0 ? kOpponent : kOwn;
            board[cells[i]] = stone;
            // With players; without (the last row is the opponent's and the rows alternate
            // back from it); or only the first row with its player, the rest alternating on.
            const bool withPlayer = form == 1 || form == 4 || (form == 3 && i == 0) ||
                                    (form == 5 && randomBelow(2) == 0);
            block += cellWords(cells[i]);
            if (withPlayer) {
                block += ',';
                block += std::to_string(stone);
            }
            block += form == 4 ? "\r\n" : "\n";
        }
        block += form == 4 ? "done\r\n" : "DONE\n";
        ASSERT_TRUE(engine.sendRaw(block));
        if (count == 0) {
            ASSERT_TRUE(engine.expectLine("7,7"));  // the centre on an empty board
            board[7 * kSize + 7] = kOwn;
            return;
        }
        expectEngineMove("BOARD of " + std::to_string(count) + " rows, form " + std::to_string(form));
    }

    // A BOARD block broken by a bad row: the rows before it stand, the engine answers, and the
    // rest of the block reaches the dispatcher line by line.
    void openInterruptedGame() {
        board = Board{};
        over = false;
        const int count = 2 + randomBelow(8);
        const std::vector<int> cells = openingCells(count);
        const int cut = 1 + randomBelow(count - 1);  // rows [0, cut) are read
        std::string block = "BOARD\n";
        for (int i = 0; i < cut; ++i) {
            const std::uint8_t stone = (cut - 1 - i) % 2 == 0 ? kOpponent : kOwn;
            board[cells[i]] = stone;
            block += cellWords(cells[i]) + "," + std::to_string(stone) + "\n";
        }
        std::vector<std::string> replies;
        switch (randomBelow(4)) {
            case 0: block += "7;7\n"; replies.push_back("ERROR Invalid syntax"); break;
            case 1: block += "3,3,3\n"; replies.push_back("ERROR Invalid coordinates or player"); break;
            case 2: block += cellWords(cells[0]) + ",1\n"; replies.push_back("ERROR Invalid coordinates or player"); break;
            default: block += "15,2\n"; replies.push_back("ERROR Invalid coordinates or player"); break;
        }
        ASSERT_TRUE(engine.sendRaw(block));
        for (const std::string& reply : replies) ASSERT_TRUE(engine.expectLine(reply));
        expectEngineMove("interrupted BOARD");
        // The rest of the block: each row and DONE are commands nobody knows.
        std::string rest;
        for (int i = cut; i < count; ++i) {
            const std::string row = cellWords(cells[i]) + "," + std::to_string(1 + i % 2);
            rest += row + "\n";
            replies.push_back("ERROR Unknown command \"" + row + "\"");
        }
        ASSERT_TRUE(engine.sendRaw(rest + "DONE\n"));
        for (int i = cut; i < count; ++i)
            ASSERT_TRUE(engine.expectLine(replies[1 + i - cut]));
        ASSERT_TRUE(engine.expectLine("ERROR Unknown command \"DONE\""));
    }

    // A block whose stone counts fit no first mover: the error, a move all the same, and then
    // a TURN is refused because the counts still fit nobody.
    void openImpossibleGame() {
        board = Board{};
        over = false;
        const std::vector<int> cells = openingCells(3);
        for (const int cell : cells) board[cell] = kOwn;
        std::string block = "BOARD\n";
        for (const int cell : cells) block += cellWords(cell) + ",1\n";
        ASSERT_TRUE(engine.sendRaw(block + "DONE\n"));
        ASSERT_TRUE(engine.expectLine("ERROR Invalid position"));
        expectEngineMove("BOARD with three own stones");
        for (int c = 0; c < kCells; ++c)
            if (board[c] == kEmpty) {
                engine.sendLine("TURN " + cellWords(c));
                ASSERT_TRUE(engine.expectLine("ERROR Invalid coordinates"));
                break;
            }
        over = true;
    }

    // The opponent: an exact five if it has one, else it blocks the engine's, else a cell
    // next to a stone.
    int opponentMove() {
        if (const auto five = fiveInReach(board, kOpponent)) return *five;
        if (const auto block = fiveInReach(board, kOwn)) return *block;
        auto nextToStone = [&](int cell) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int r = cell / kSize + dy, k = cell % kSize + dx;
                    if (r >= 0 && r < kSize && k >= 0 && k < kSize && board[r * kSize + k] != kEmpty)
                        return true;
                }
            return false;
        };
        std::vector<int> near;
        for (int c = 0; c < kCells; ++c)
            if (board[c] == kEmpty && nextToStone(c)) near.push_back(c);
        return near[randomBelow(static_cast<int>(near.size()))];
    }

    Malformed malformedLine(int game) {
        const int taken = [&] {
            for (int c = 0;; ++c)
                if (board[c] != kEmpty) return c;
        }();
        std::string word = "ZQ";
        for (int i = randomBelow(12); i >= 0; --i) word += "abcXYZ019_#!?.,;:"[randomBelow(17)];
        std::string upper = word;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        const std::string kMode = "ERROR This command cannot be used in current mode";
        switch (randomBelow(game < kSettledGame ? 26 : 30)) {
            case 0: return {word + " and more words", {"ERROR Unknown command \"" + upper + "\""}};
            case 1: return {"TURN 99999999999,3", {"ERROR Invalid syntax"}};
            case 2: return {"TURN 7,70000", {"ERROR Invalid syntax"}};
            case 3: return {"TURN -32768,32767", {"ERROR Invalid coordinates"}};
            case 4: return {"TURN 15,3", {"ERROR Invalid coordinates"}};
            case 5: return {"TURN 3,-1", {"ERROR Invalid coordinates"}};
            case 6: return {"TURN " + cellWords(taken), {"ERROR Invalid coordinates"}};
            case 7: return {"TURN 7 7", {"ERROR Invalid syntax"}};
            case 8: return {"turn ,", {"ERROR Invalid syntax"}};
            case 9: return {"START 16", {"ERROR Unsupported size of board 16. This version only supports board size 15"}};
            case 10: return {"START 99999", {"ERROR Invalid syntax"}};
            case 11: return {"START", {"ERROR Invalid syntax"}};
            case 12: return {"INFO", {"ERROR Invalid syntax"}};
            case 13: return {"INFO TIMEOUT_TURN", {"ERROR Invalid syntax"}};
            case 14: return {"INFO NO_SUCH_KEY 12", {}};
            case 15: return {"config whatever 1 2 3", {}};
            case 16: return {"", {}};
            case 17: return {" \t \x0b\x0c ", {}};
            case 18: return {"\r", {}};
            case 19: return {"BEGIN", {kMode}};
            case 20: return {"\0\0"s, {"ERROR Unknown command \"\0\0\""s}};
            case 21: return {"TU\0RN 3,3"s, {"ERROR Unknown command \"TU\0RN\""s}};
            case 22: return {"TURN 3,\0"s, {"ERROR Invalid syntax"}};
            case 23: return {"\xff\xfe\x80 bytes", {"ERROR Unknown command \"\xff\xfe\x80\""}};
            case 24: return {"INFO TIME_LEFT 2147483647", {}};
            case 25: return {"INFO MAX_MEMORY 4000000", {}};  // takes effect at a START only
            // Rare: lines of a megabyte.
            case 26: return {std::string(kMegabyte, 'q'), {"ERROR Unknown command \"" + std::string(kMegabyte, 'Q') + "\""}};
            case 27: return {std::string(kMegabyte, ' '), {}};
            case 28: return {"TURN " + std::string(kMegabyte, '7') + ",1", {"ERROR Invalid syntax"}};
            default: return {"INFO FOLDER /" + std::string(kMegabyte, 'd'), {}};
        }
    }

    // Every kind of megabyte line once before the memory is first measured.
    void megabyteLines() {
        sendMalformed({std::string(kMegabyte, 'q'), {"ERROR Unknown command \"" + std::string(kMegabyte, 'Q') + "\""}});
        sendMalformed({std::string(kMegabyte, ' '), {}});
        sendMalformed({"TURN " + std::string(kMegabyte, '7') + ",1", {"ERROR Invalid syntax"}});
        sendMalformed({"INFO FOLDER /" + std::string(kMegabyte, 'd'), {}});
    }

    void playGame(int game) {
        const int opening = randomBelow(10);
        if (opening == 0) openInterruptedGame();
        else if (opening == 1) openImpossibleGame();
        else openGame();
        if (::testing::Test::HasFatalFailure()) return;
        for (int turn = 0; turn < kTurnsPerGame && !over; ++turn) {
            while (randomBelow(3) == 0) {
                sendMalformed(malformedLine(game));
                if (::testing::Test::HasFatalFailure()) return;
            }
            const int move = opponentMove();
            const bool opponentFive = makesExactFive(board, move, kOpponent);
            board[move] = kOpponent;
            const std::string line = (randomBelow(2) == 0 ? "TURN " : "turn ") + cellWords(move);
            ASSERT_TRUE(engine.sendRaw(line + (randomBelow(4) == 0 ? "\r\n" : "\n")));
            expectEngineMove(line);
            if (::testing::Test::HasFatalFailure()) return;
            if (opponentFive) over = true;
        }
    }

    EngineClient engine;
    std::mt19937_64 generator{20240601};
    Board board{};  // the test's own record of the game: kOwn is the engine
    bool over = true;
};

TEST_F(LongSession, HundredsOfShortGamesWithMalformedLinesStayExactAndFlat) {
    long settledKb = 0;
    for (int game = 0; game < kGames; ++game) {
        if (game == 1) megabyteLines();
        if (game == kSettledGame) settledKb = residentKb(engine.pid());
        playGame(game);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "in game " << game;
    }
    const long lastKb = residentKb(engine.pid());
    engine.sendLine("END");
    EXPECT_TRUE(engine.expectEndOfOutput());
    EXPECT_EQ(engine.waitExit(), 0);
    if (kMemoryChecked) {
        ASSERT_GT(settledKb, 0);
        EXPECT_LE(lastKb, settledKb + kRssToleranceKb)
            << "resident memory grew from " << settledKb << " kB at game " << kSettledGame
            << " to " << lastKb << " kB after game " << kGames;
    }
}

}  // namespace

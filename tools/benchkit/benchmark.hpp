#pragma once
// Fixed-depth searches of listed positions, shared by the benchmark program and its tests.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/state.hpp"
#include "tree/counters.hpp"

namespace quoll {

// Reads moves in playing order ("7,7 8,8 8,7"): the engine is to move, the last move is the
// opponent's and the stones alternate backwards from it. False on a malformed or illegal list.
bool parseMoveList(std::string_view text, GameRecord& record);

// The lines of a text file that hold more than blanks (a positions file, or the figures recorded
// for one); nullopt when the file cannot be read.
std::optional<std::vector<std::string>> readNonBlankLines(const std::string& path);

struct BenchResult {
    Cell move = kNoCell;
    bool searched = false;  // false when a rule or the table answered
    Score score = 0;
    int depthPlies = 0;  // the last completed iteration
    NodeCounters nodes;
    std::int64_t elapsedNs = 0;
};

// Searches the position with a fresh table of 2^hashLog2 entries and no clock in the way; the
// deepening's last iteration is depthPlies plies.
BenchResult benchmarkPosition(const GameRecord& record, int depthPlies, int hashLog2);

// "move X,Y score S depth D tree T horizon H vcf V", with "-" for a move answered without search.
std::string benchLine(const BenchResult& result);

}  // namespace quoll

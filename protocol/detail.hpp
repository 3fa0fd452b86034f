#pragma once
// The search detail lines that managers and analysis boards ask for with INFO SHOW_DETAIL:
// "MESSAGE depth 8 score +112 nodes 201734 nps 2950123 time 68 pv 8,6 9,5 6,8".

#include <cstdint>
#include <optional>
#include <string_view>

#include "search/principal_line.hpp"
#include "search/root.hpp"

namespace quoll {

// What one line tells.
struct SearchDetail {
    int depthPlies = 0;          // the last completed iteration; 0: no search completed one
    std::string_view reason;     // why there was none, with depth 0
    std::optional<Score> score;  // from the engine's side; left out of the line when unknown
    std::uint64_t nodes = 0;     // of every kind, since the move request was read
    std::int64_t elapsedNs = 0;  // since the move request was read
    PrincipalLine line;
};

// The reason word of an answer found without a completed iteration ("five", "table",
// "stopped", ...); empty after one.
std::string_view answerReason(RootAnswer answer, int depthPlies);

// "MESSAGE depth D [reason R] [score S] nodes N nps R time T pv x,y ...", flushed at once. A
// decided score reads "win in N" or "loss in N" (N plies, the engine's move the first), any
// other the signed number: "+112", "-35", "0". Formats in place: no heap.
void writeDetailLine(const SearchDetail& detail);

}  // namespace quoll

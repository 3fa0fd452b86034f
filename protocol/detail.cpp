#include "protocol/detail.hpp"

#include <fmt/format.h>

#include <iterator>

#include "protocol/replies.hpp"

namespace quoll {

std::string_view answerReason(RootAnswer answer, int depthPlies) {
    switch (answer) {
        case RootAnswer::Searched:
            return depthPlies > 0 ? "" : "stopped";
        case RootAnswer::Opening:
            return "opening";
        case RootAnswer::Five:
            return "five";
        case RootAnswer::Block:
            return "block";
        case RootAnswer::DoubleFour:
            return "double-four";
        case RootAnswer::Defence:
            return "defence";
        case RootAnswer::OnlyMove:
            return "only-move";
        case RootAnswer::NoCandidates:
            return "no-candidates";
        case RootAnswer::Table:
            return "table";
    }
    return "";
}

void writeDetailLine(const SearchDetail& detail) {
    fmt::memory_buffer text;  // 500 bytes in place; a full line takes about 260
    auto out = std::back_inserter(text);
    fmt::format_to(out, "MESSAGE depth {}", detail.depthPlies);
    if (!detail.reason.empty()) fmt::format_to(out, " reason {}", detail.reason);
    if (const std::optional<Score> score = detail.score) {
        // A five p moves away scores 30000 - p; a score past 30000 is no game result.
        const int s = *score;
        if (s >= kWinThreshold && s < kWinScore)
            fmt::format_to(out, " score win in {}", kWinScore - s);
        else if (s <= -kWinThreshold && s > -kWinScore)
            fmt::format_to(out, " score loss in {}", kWinScore + s);
        else if (s == 0) fmt::format_to(out, " score 0");
        else fmt::format_to(out, " score {:+}", s);
    }
    const std::uint64_t nps =
        detail.elapsedNs > 0 ? static_cast<std::uint64_t>(static_cast<double>(detail.nodes) * 1e9 /
                                                          static_cast<double>(detail.elapsedNs))
                             : 0;
    fmt::format_to(out, " nodes {} nps {} time {} pv", detail.nodes, nps,
                   detail.elapsedNs / 1'000'000);
    for (int i = 0; i < detail.line.length; ++i)
        fmt::format_to(out, " {},{}", cellColumn(detail.line.moves[i]),
                       cellRow(detail.line.moves[i]));
    text.push_back('\n');
    writeLine(std::string_view(text.data(), text.size()));
}

}  // namespace quoll

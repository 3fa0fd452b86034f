#pragma once
// The search detail lines read back in their documented form, word by word, for the tests and
// the fuzzer: "MESSAGE depth D [reason R] [score S] nodes N nps N time T pv x,y ...".

#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "board/types.hpp"

namespace quoll {

// "x,y" in plain decimal, as the engine writes a move.
inline std::string moveWord(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

struct DetailLine {
    int depth = 0;
    std::string reason;
    std::string score;  // as written: "+12", "win in 5", ...; empty when left out
    std::uint64_t nodes = 0;
    std::vector<int> line;  // cells, y * 15 + x
};

inline bool isNumber(const std::string& word) {
    return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
}

// The documented form, word by word; nothing else may be on the line.
inline std::optional<DetailLine> parseDetailLine(const std::string& text) {
    std::istringstream words(text);
    std::string word;
    const auto next = [&](const std::string& expected) {
        return words >> word && word == expected;
    };
    const auto number = [&] { return words >> word && isNumber(word); };
    DetailLine detail;
    if (!next("MESSAGE") || !next("depth") || !number()) return std::nullopt;
    detail.depth = std::stoi(word);
    if (!(words >> word)) return std::nullopt;
    if (word == "reason") {
        if (!(words >> detail.reason) || !(words >> word)) return std::nullopt;
    }
    if (word == "score") {
        if (!(words >> detail.score)) return std::nullopt;
        if (detail.score == "win" || detail.score == "loss") {
            if (!next("in") || !number() || word[0] == '0') return std::nullopt;
            detail.score += " in " + word;
        } else if (detail.score != "0" &&
                   !((detail.score[0] == '+' || detail.score[0] == '-') &&
                     isNumber(detail.score.substr(1)) && detail.score[1] != '0')) {
            return std::nullopt;
        }
        if (!(words >> word)) return std::nullopt;
    }
    if (word != "nodes" || !number()) return std::nullopt;
    detail.nodes = std::stoull(word);
    if (!next("nps") || !number() || !next("time") || !number() || !next("pv")) return std::nullopt;
    while (words >> word) {
        int x = -1, y = -1;
        char comma = 0, rest = 0;
        if (std::sscanf(word.c_str(), "%d%c%d%c", &x, &comma, &y, &rest) != 3 || comma != ',' ||
            x < 0 || x >= kBoardSize || y < 0 || y >= kBoardSize || word != moveWord(x, y))
            return std::nullopt;
        detail.line.push_back(y * kBoardSize + x);
    }
    // Single blanks between the words, and none at the ends.
    if (text.find("  ") != std::string::npos || text.back() == ' ') return std::nullopt;
    return detail;
}

}  // namespace quoll

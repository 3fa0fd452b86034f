#include "web/request_body.hpp"

#include <algorithm>

namespace quoll::web {
namespace {

using nlohmann::json;

std::string cellName(int cell) {
    return std::string(1, static_cast<char>('A' + cell % tools::kSide)) +
           std::to_string(cell / tools::kSide + 1);
}

const char* colourName(std::uint8_t stone) {
    return stone == tools::kBlackStone ? "black" : "white";
}

// Reads one colour's list of [x, y] cells onto the board; false with the reason on a bad entry
// or a cell that holds a stone already.
bool readStones(const json& list, std::uint8_t stone, Search& search, std::string& reason,
                std::vector<int>& cells) {
    const std::string name = colourName(stone);
    if (!list.is_array() || list.size() > tools::kCells) {
        reason = name + " must be a list of [x, y] cells";
        return false;
    }
    for (const json& entry : list) {
        const bool pair = entry.is_array() && entry.size() == 2;
        const auto x = pair ? integerIn(entry[0], 0, tools::kSide - 1) : std::nullopt;
        const auto y = pair ? integerIn(entry[1], 0, tools::kSide - 1) : std::nullopt;
        if (!x || !y) {
            reason = "each cell of " + name + " must be [x, y] with whole numbers 0..14";
            return false;
        }
        const int cell = *y * tools::kSide + *x;
        if (search.stones[cell] != tools::kNone) {
            reason = "two stones on " + cellName(cell);
            return false;
        }
        search.stones[cell] = stone;
        cells.push_back(cell);
    }
    return true;
}

// The cells of an exact five standing on the board, or none.
std::vector<int> standingFive(const tools::Stones& stones) {
    for (int cell = 0; cell < tools::kCells; ++cell) {
        const std::uint8_t stone = stones[cell];
        if (stone == tools::kNone) continue;
        for (int line = 0; line < 4; ++line) {
            const int rowStep = tools::kLineRowStep[line];
            const int columnStep = tools::kLineColumnStep[line];
            const int row = cell / tools::kSide;
            const int column = cell % tools::kSide;
            // From the run's first stone only, so each five is found once.
            const bool first = !tools::onBoard(row - rowStep, column - columnStep) ||
                               stones[cell - rowStep * tools::kSide - columnStep] != stone;
            if (!first || tools::runThrough(stones, cell, stone, line) != 5) continue;
            std::vector<int> five;
            for (int i = 0; i < 5; ++i)
                five.push_back((row + i * rowStep) * tools::kSide + column + i * columnStep);
            return five;
        }
    }
    return {};
}

}  // namespace

std::optional<json> bodyWith(const httplib::Request& request,
                             std::initializer_list<std::string_view> fields, std::string& reason) {
    json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        reason = "the body must be a JSON object";
        return std::nullopt;
    }
    for (const auto& [key, value] : body.items())
        if (std::find(fields.begin(), fields.end(), key) == fields.end()) {
            reason = "unknown field: " + key.substr(0, 40);
            return std::nullopt;
        }
    for (const std::string_view field : fields)
        if (!body.contains(field)) {
            reason = "missing field: " + std::string(field);
            return std::nullopt;
        }
    return body;
}

std::optional<int> integerIn(const json& value, int low, int high) {
    if (!value.is_number_integer()) return std::nullopt;
    if (value.is_number_unsigned() ? value.get<std::uint64_t>() > static_cast<std::uint64_t>(high)
                                   : value.get<std::int64_t>() > high)
        return std::nullopt;
    const std::int64_t number = value.get<std::int64_t>();
    if (number < low) return std::nullopt;
    return static_cast<int>(number);
}

std::optional<Search> readSearch(const httplib::Request& request, std::string& reason) {
    const std::optional<json> read =
        bodyWith(request, {"black", "white", "toMove", "turnMs", "maxDepth", "maxNodes"}, reason);
    if (!read) return std::nullopt;
    const json& body = *read;
    Search search;
    const json& toMove = body["toMove"];
    if (toMove != "black" && toMove != "white") {
        reason = "toMove must be \"black\" or \"white\"";
        return std::nullopt;
    }
    search.toMove = toMove == "black" ? tools::kBlackStone : tools::kWhiteStone;
    const auto turnMs = integerIn(body["turnMs"], kMinTurnMs, kMaxTurnMs);
    const auto maxDepth = integerIn(body["maxDepth"], 0, kMaxDepthLimit);
    const auto maxNodes = integerIn(body["maxNodes"], 0, kMaxNodeLimit);
    if (!turnMs || !maxDepth || !maxNodes) {
        reason = "turnMs must be a whole number " + std::to_string(kMinTurnMs) + ".." +
                 std::to_string(kMaxTurnMs) + ", maxDepth 0.." + std::to_string(kMaxDepthLimit) +
                 " and maxNodes 0.." + std::to_string(kMaxNodeLimit) + " (0: no limit)";
        return std::nullopt;
    }
    search.turnMs = *turnMs;
    search.maxDepth = *maxDepth;
    search.maxNodes = *maxNodes;

    std::vector<int> black;
    std::vector<int> white;
    if (!readStones(body["black"], tools::kBlackStone, search, reason, black) ||
        !readStones(body["white"], tools::kWhiteStone, search, reason, white))
        return std::nullopt;
    // Turns alternate, so the side to move has as many stones as the other, or one fewer when
    // the other began.
    const bool blackToMove = search.toMove == tools::kBlackStone;
    const std::vector<int>& own = blackToMove ? black : white;
    const std::vector<int>& other = blackToMove ? white : black;
    if (own.size() != other.size() && own.size() + 1 != other.size()) {
        reason = std::string(colourName(search.toMove)) + " to move needs as many stones as " +
                 colourName(tools::otherStone(search.toMove)) + " or one fewer";
        return std::nullopt;
    }
    if (tools::isFull(search.stones)) {
        reason = "the board is full";
        return std::nullopt;
    }
    if (const std::vector<int> five = standingFive(search.stones); !five.empty()) {
        reason = std::string(colourName(search.stones[five[0]])) + " has five in a row:";
        for (const int cell : five) reason += " " + cellName(cell);
        return std::nullopt;
    }
    // The rows in turn, as a game would have placed them, the side that began first.
    const std::vector<int>& first = own.size() == other.size() ? own : other;
    const std::vector<int>& second = own.size() == other.size() ? other : own;
    for (std::size_t i = 0; i < first.size(); ++i) {
        search.cells.push_back(first[i]);
        if (i < second.size()) search.cells.push_back(second[i]);
    }
    return search;
}

}  // namespace quoll::web

#pragma once
// Request bodies read and checked: JSON objects with exactly the expected fields, whole numbers
// in their range, and the position and limits of a search. Whatever reaches an engine is built
// from these checked values, never from the request's own text.

#include <httplib.h>

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "web/game.hpp"

namespace quoll::web {

// The body as an object with exactly the named fields, or nothing with the reason.
std::optional<nlohmann::json> bodyWith(const httplib::Request& request,
                                       std::initializer_list<std::string_view> fields,
                                       std::string& reason);

std::optional<int> integerIn(const nlohmann::json& value, int low, int high);

// The search a request's body asks for, {"black": [[x, y], ...], "white": [...], "toMove":
// "black" or "white", "turnMs": N, "maxDepth": N, "maxNodes": N}, or nothing with the reason,
// which names the cells at fault as the board names them ("H8": column letter, row from 1).
std::optional<Search> readSearch(const httplib::Request& request, std::string& reason);

}  // namespace quoll::web

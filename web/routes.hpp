#pragma once
// The HTTP side of the server: the page's files and the games' JSON requests, behind the checks
// that keep other web pages and other hosts' names from driving it.

#include <httplib.h>

#include <string>

#include "web/games.hpp"
#include "web/request_guard.hpp"

namespace quoll::web {

// Largest request body accepted; a saved game takes a few kilobytes.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;

void addRoutes(httplib::Server& server, Games& games, const Binding& binding,
               const std::string& enginePath);

}  // namespace quoll::web

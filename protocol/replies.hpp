#pragma once
// The one way out to the manager: every reply is formatted, written in one call and flushed,
// so it has left the process when its writer returns.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quoll {

// Where replies go; nullptr means standard output. Tests point it at a capture stream.
extern std::FILE* replyStream;

// Writes a text that already ends with its line feed, unchanged.
void writeLine(std::string_view text);
// "MESSAGE <text>" and "ERROR <text>", each on its own line.
void writeMessage(std::string_view text);
void writeError(std::string_view text);

// "x,y" of a board cell, "Invalid" for kNoCell, and the number itself for anything else.
std::string cellText(std::int16_t cell);

}  // namespace quoll

#pragma once
// Diagnostic logging. It is switched off at start-up and stays off; the calls remain so that a
// test can lower the level and read them through its own sink.

#include "board/state.hpp"

namespace quoll {

// Every registered logger and the global level to off. The default logger is first moved to
// standard error, so that even a lowered level could never mix log text into the replies.
void switchLoggingOff();

// The board dump after BOARD: header lines, then one line per row, "." empty, "X" the
// engine's stone, "O" any other stone.
void logBoard(const GameRecord& record);

}  // namespace quoll

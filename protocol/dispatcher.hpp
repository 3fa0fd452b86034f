#pragma once
// The command loop's one step: a line read, upper-cased and handed to its command's handler.

#include <string>

#include "protocol/protocol_state.hpp"

namespace quoll {

// Reads one line and handles it completely. The end of the input ends the run as END does.
void handleCommand(ProtocolState& state);

// Handles one line that has already been read (it is upper-cased here).
void dispatchLine(ProtocolState& state, std::string line);

}  // namespace quoll

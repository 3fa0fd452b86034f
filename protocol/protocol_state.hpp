#pragma once
// What the command loop keeps for the whole run: where the protocol stands and the game record.

#include <cstdint>

#include "board/state.hpp"

namespace quoll {

enum class ProtocolMode : std::uint32_t {
    Idle = 0,         // no successful START yet
    Playing = 1,      // position commands are accepted
    Terminating = 3,  // END was read (or the input ended); the loop stops
};

struct ProtocolState {
    ProtocolMode mode = ProtocolMode::Idle;
    GameRecord record;
};

}  // namespace quoll

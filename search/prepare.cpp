#include "search/prepare.hpp"

namespace quoll {

void loadSearchPosition(EngineState& state, const GameRecord& record) {
    state.board = record.board;
    state.firstColour = record.firstColour;
    state.colourToMove = record.colourToMove;
    state.history = record.moves;
    state.unavailable = record.unavailable;
    rebuildWindowCodes(state);
}

}  // namespace quoll

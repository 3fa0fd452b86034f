// pbrain-quoll: the gomoku engine as a brain-protocol program on standard input and output.

#include "platform/console.hpp"
#include "protocol/dispatcher.hpp"
#include "protocol/engine_folder.hpp"
#include "protocol/logging.hpp"
#include "protocol/protocol_state.hpp"
#include "protocol/replies.hpp"

int main(int argc, char** argv) {
    // The geometry tables and the Zobrist keys are constants ready before main; the engine
    // record and the settings start out empty and at their defaults.
    quoll::prepareStandardStreams();
    quoll::switchLoggingOff();
    quoll::ProtocolState state;
    if (!quoll::locateEngineFolder(argc > 0 && argv[0] != nullptr ? argv[0] : ""))
        quoll::writeMessage(
            "Failed to parse the path, make sure you run the engine using absolute path");
    while (state.mode != quoll::ProtocolMode::Terminating) quoll::handleCommand(state);
    return 0;
}

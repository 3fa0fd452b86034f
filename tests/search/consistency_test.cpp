// The consistency check itself: it accepts a frame rebuilt from the board and names the record
// that drifted when one does.

#include <gtest/gtest.h>

#include <cstring>

#include "search/consistency.hpp"
#include "search/prepare.hpp"
#include "search/stress_positions.hpp"

namespace quoll {
namespace {

struct Frame {
    EngineState state;
    GainMap ownGains, opponentGains;
    LinkPool ownPool, opponentPool;
    ThreatTracker ownThreats, opponentThreats;
    NeighbourCounts counts;
    CandidateList list;

    explicit Frame(const GameRecord& record) {
        loadSearchPosition(state, record);
        const std::uint8_t* board = state.board.data();
        const WindowCode* codes = state.windowCodes.data();
        buildGainMap<Colour::Own>(ownGains, board, codes);
        buildGainMap<Colour::Opponent>(opponentGains, board, codes);
        buildThreatTracker<Colour::Own>(ownThreats, board, codes, ownPool);
        buildThreatTracker<Colour::Opponent>(opponentThreats, board, codes, opponentPool);
        buildRootList(list, board, counts);
    }
    const char* check() const {
        return findInconsistency(state, ownGains, opponentGains, ownThreats, opponentThreats, list);
    }
};

TEST(Consistency, NamesTheRecordThatDrifted) {
    auto frame = std::make_unique<Frame>(randomThreatPosition(5, 40));
    EXPECT_EQ(frame->check(), nullptr);

    // A stone on the board that the records have not seen.
    Cell empty = 0;
    while (frame->state.board[empty] != kEmpty) ++empty;
    frame->state.board[empty] = kOwnStone;
    EXPECT_STREQ(frame->check(), "window codes differ");
    placeStone<Colour::Own>(frame->state.windowCodes.data(), empty);
    EXPECT_STREQ(frame->check(), "gains differ");
    ownGainsAfterOwnMove(frame->ownGains, empty);
    opponentGainsAfterOwnMove(frame->opponentGains, empty);
    const char* difference = frame->check();
    ASSERT_NE(difference, nullptr);  // the trackers and the list have not seen it either
    trackOwnStone<Colour::Own, CodesHold::Stone>(frame->ownThreats, empty);
    clearTrackerCell(frame->opponentThreats, empty);
    EXPECT_STREQ(frame->check(), "neighbour counters differ");
}

}  // namespace
}  // namespace quoll

// The consistency check itself: it accepts a frame rebuilt from the board and names the record
// that drifted when one does.

#include <gtest/gtest.h>

#include "search/consistency.hpp"
#include "search/stress_positions.hpp"
#include "support/positions.hpp"

namespace quoll {
namespace {

TEST(Consistency, NamesTheRecordThatDrifted) {
    EngineState state;
    loadSearchPosition(state, randomThreatPosition(5, 40));
    test::RootFrame frame(state);
    auto check = [&] {
        return findInconsistency(state, frame.ownGain, frame.oppGain, frame.ownThreats,
                                 frame.oppThreats, frame.list);
    };
    EXPECT_EQ(check(), nullptr);

    // A stone on the board that the records have not seen.
    Cell empty = 0;
    while (state.board[empty] != kEmpty) ++empty;
    state.board[empty] = kOwnStone;
    EXPECT_STREQ(check(), "window codes differ");
    placeStone<Colour::Own>(state.windowCodes.data(), empty);
    EXPECT_STREQ(check(), "gains differ");
    gainsAfterMove<Colour::Own, Colour::Own>(frame.ownGain, empty);
    gainsAfterMove<Colour::Opponent, Colour::Own>(frame.oppGain, empty);
    ASSERT_NE(check(), nullptr);  // the trackers and the list have not seen it either
    trackOwnStone<Colour::Own, CodesHold::Stone>(frame.ownThreats, empty);
    clearTrackerCell(frame.oppThreats, empty);
    EXPECT_STREQ(check(), "neighbour counters differ");
}

}  // namespace
}  // namespace quoll

// Reply writers and cell texts.

#include "protocol/replies.hpp"

#include <gtest/gtest.h>

#include "in_process.hpp"

namespace quoll {
namespace {

TEST(CellText, BoardCellsNoCellAndOtherValues) {
    EXPECT_EQ(cellText(0), "0,0");
    EXPECT_EQ(cellText(16), "1,1");
    EXPECT_EQ(cellText(112), "7,7");
    EXPECT_EQ(cellText(14), "14,0");
    EXPECT_EQ(cellText(224), "14,14");
    EXPECT_EQ(cellText(32767), "Invalid");
    EXPECT_EQ(cellText(300), "300");
    EXPECT_EQ(cellText(225), "225");
    EXPECT_EQ(cellText(-1), "-1");
}

TEST(Writers, EachReplyIsOneExactLine) {
    test::CapturedIo io("");
    writeLine("7,7\n");
    writeMessage("hello there");
    writeError("Invalid syntax");
    // The text goes out unchanged, braces included.
    writeLine("{}\n");
    EXPECT_EQ(io.output(), "7,7\nMESSAGE hello there\nERROR Invalid syntax\n{}\n");
}

}  // namespace
}  // namespace quoll

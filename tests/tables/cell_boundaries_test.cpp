#include "tables/cell_boundaries.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

TEST(MarkCellBoundaries, ReplacesEveryWidthWord) {
  EXPECT_EQ(MarkCellBoundaries(u"\\trowd\\cellx1440\\cellx2880\\cellx4320\\cellx5760\\pard"),
            u"\\trowd\\ÎôÎôÎô\\ÎôÎôÎô\\ÎôÎôÎô\\ÎôÎôÎô\\pard");
  EXPECT_EQ(MarkCellBoundaries(u"\\CELLX100\\x"), u"\\ÎôÎôÎô\\x");
  // Replacing the first width also hits the longer one that starts alike.
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx1440\\cellx14400\\pard"),
            u"\\ÎôÎôÎô\\ÎôÎôÎô0\\pard");
}

TEST(MarkCellBoundaries, LastWordWithoutABackslashAfterIt) {
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx1\\cellx5760"), u"\\ÎôÎôÎô\\ÎôÎôÎô");
  // Eleven or more characters from its position: the pass stops.
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx1\\cellx5760 abcd"), u"\\ÎôÎôÎô\\cellx5760 abcd");
  // Beyond 15 characters to the next backslash the word ends at a blank.
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx300 some text\\par"), u"\\ÎôÎôÎô some text\\par");
}

TEST(MarkCellBoundaries, StepsPastAWordThatIsNoNumber) {
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx\\cell\\cellx720\\pard"), u"\\cellx\\cell\\ÎôÎôÎô\\pard");
  EXPECT_EQ(MarkCellBoundaries(u"\\cellxabc\\cellxdef\\x"), u"\\cellxabc\\cellxdef\\x");
  // Numeric only once its blank is stripped: "96902" is not in the text, so
  // that word stays and the next one is still marked (this once looped).
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx9690 2\\cell\\cellx770\\pard"),
            u"\\cellx9690 2\\cell\\ÎôÎôÎô\\pard");
  // A word whose number is found elsewhere: that one is replaced, this one
  // stays.
  EXPECT_EQ(MarkCellBoundaries(u"\\cellx 7\\x\\cellx7\\y"), u"\\cellx 7\\x\\ÎôÎôÎô\\y");
}

}  // namespace
}  // namespace skeinlet::detail

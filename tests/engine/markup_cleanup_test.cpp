#include "engine/rtf_to_html.hpp"
#include "stage_run.hpp"

#include "engine/state.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

using testing::StageRun;
using testing::Nbsp;

TEST(MarkupCleanupFirst, SizeTagsBeforeALineBreakAndEmptyElements) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"a<font size=\"7\"><br> <font FACE=\"Arial\">b"),
            u"a<br> <font FACE=\"Arial\">b");
  // Matched in any letter case, written back as the rule has it.
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<FONT SIZE=\"5\"><BR> <FONT face=\"x\">"),
            u"<br> <font face=\"x\">");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<font size=\"3\"><br> <font>"), u"<br> <font>");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<font size=\"2\"><br> <font>"),
            u"<font size=\"2\"><br> <font>");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst,
                  u"a<font face=\"ms sans serif\" ></font>b"
                  u"<font FACE=\"Verdana\" >&nbsp;&nbsp;</font>c"
                  u"<font FACE=\"Arial\" SIZE=\"3\"></font>d<font FACE=\"Arial\" SIZE=\"3\" ></font>e"),
            u"abcde");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"x</font><font COLOR=\"#000000\" ><b>y"),
            u"x<font COLOR=\"#000000\" ><b>y");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"</b></b><center>x"), u"<CENTER>x");
  // The emptied item of rule 6 is one that rule 26 closes.
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"a<li></font></li></li>b"), u"a</li>b");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<br> <li>\r\n</font></li></li>"),
            u"</li></font></ul><br>");
}

TEST(MarkupCleanupFirst, SpaceRunsAfterAListItemLongestFirst) {
  StageRun r;
  const Text nested = u"<ul><li>x";
  for (int n : {10, 9, 8, 7, 5, 4, 3})
    EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<li>" + Nbsp(n) + u"x"), nested) << n;
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<li>&nbsp;&nbsp;x"),
            u"</ul></ul></ul></ul></ul><li>x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<li>&nbsp;x"), u"<li>&nbsp;x");
  // There is no rule for six: the five-space rule leaves one behind.
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<li>" + Nbsp(6) + u"x"), u"<ul><li>&nbsp;x");
  // What the ten-space rule leaves of a longer run goes to the later rules.
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<li>" + Nbsp(11) + u"x"), u"<ul><li>&nbsp;x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<li>" + Nbsp(12) + u"x"),
            u"<ul></ul></ul></ul></ul></ul><li>x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<LI>&NBSP;&Nbsp;&nbsp;x"), u"<ul><li>x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"a&nbsp;&nbsp;&nbsp;&nbsp;<li>x"), u"a<ul><li>x");
}

TEST(MarkupCleanupFirst, RowEndsJoinedToTheNextRow) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"</tr>\n<tr>a"), u"</tr><tr><td>a");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"</tr>\r<tr>a"), u"</tr><tr><td>a");
  // The rule with the blank runs before the one without.
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"</TR>\r\n<TR> a"), u"</tr><tr><td>a");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"</tr>\r\n<tr>a"), u"</tr><tr><td>a");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"</tr>\r\n\r\n<tr>a"), u"</tr>\r\n\r\n<tr>a");
}

TEST(MarkupCleanupFirst, BlanksAfterTagsAndTheExactRules) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<td>&nbsp;</td>"), u"<td>&nbsp; </td>");
  // One pass, no rescan: four spaces after a break lose one.
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<br>&nbsp;&nbsp;&nbsp;&nbsp;x"),
            u"<br>&nbsp;&nbsp;&nbsp;x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<BR>&NBSP;&nbsp;&nbsp;x"), u"<br>&nbsp;&nbsp;x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<br>&nbsp;&nbsp; x"), u"<br>&nbsp;&nbsp;x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<BR>&nbsp;&nbsp; x"), u"<BR>&nbsp;&nbsp; x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst, u"<br>&NBSP;&nbsp; x"), u"<br>&NBSP;&nbsp; x");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst,
                  u"a&nbsp;&nbsp;&nbsp;&nbsp;\u00B7&nbsp;&nbsp;&nbsp;b"),
            u"a\u00B7&nbsp;&nbsp;&nbsp;b");
  EXPECT_EQ(r.Run(Stage08MarkupCleanupFirst,
                  u"a&NBSP;&nbsp;&nbsp;&nbsp;\u00B7&nbsp;&nbsp;&nbsp;b"),
            u"a&NBSP;&nbsp;&nbsp;&nbsp;\u00B7&nbsp;&nbsp;&nbsp;b");
}

TEST(MarkupCleanupSecond, SpacesAndCellStarts) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"</SPAN>&nbsp;&nbsp;x"), u"</span>&nbsp;x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"<font FACE=\"Arial\" > x"),
            u"<font FACE=\"Arial\">&nbsp;x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"<tr><td></td></tr>"),
            u"<tr><td>&nbsp;</td></tr>");
  // The SimSun cell's blank end is what the next rule looks for.
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"</td><td><font FACE=\"SimSun\"></tr>\r\n<font FACE=\"Times New Roman\"><tr> x"),
            u"</td><td> </td></tr>\r\n<font FACE=\"Times New Roman\"><tr><td> x");
  // The empty cell that rule 9 writes is filled by rule 14; the one that
  // rule 19 writes, after it, stays empty.
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"<tr><td></font></b></b></b><b><font x"),
            u"<tr><td>&nbsp;</td><td></font></b></b></b><b><font x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"</tr>\r\n<tr><td></font></b></b><font FACE=\"Arial\">"),
            u"</tr>\r\n<tr><td></td><td></font></b></b><font FACE=\"Arial\">");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"x\"></tr>\r\n<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr></td><td><font y"),
            u"x\"></tr>\r\n<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr><td>&nbsp;</td><td><font y");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"</td></tr><tr><td><td></font>x"),
            u"</td></tr><tr><td></font>x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"</td><td></b><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\">"
                  u"<font SIZE=\"3\"></tr>\r\n<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr> x"),
            u"</td></b><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\">"
            u"<font SIZE=\"3\"></tr>\r\n<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr><td> x");
}

TEST(MarkupCleanupSecond, FontTagsMovedOutOfRows) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"bordercolor=\"#000000\"><tr><td><font FACE=\"TimesNew Roman\" SIZE=\"2\" >x"),
            u"bordercolor=\"#000000\"><font FACE=\"TimesNew Roman\" SIZE=\"2\" ><tr><td>x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"</td></tr>\r\n</font><font FACE=\"Times New Roman\" SIZE=\"2\" >x"),
            u"</td></tr>\r\n<tr><td>x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond,
                  u"cellpadding=\"0\">\r\n<font FACE=\"TimesNew Roman\" SIZE=\"2\" >x"),
            u"cellpadding=\"0\">\r\n<tr><td><font FACE=\"TimesNew Roman\" SIZE=\"2\" >x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"</font><table border=\"1\">"),
            u"</font><br><table border=\"1\">");
}

TEST(MarkupCleanupSecond, BorderSpacingTextLongestFirst) {
  StageRun r;
  for (int n = 1; n <= 8; ++n)
    EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"a" + Nbsp(n) + u"<b>rsp20 <b>rsp20 x"), u"ax")
        << n;
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"a" + Nbsp(9) + u"<b>rsp20 <b>rsp20 x"),
            u"a&nbsp;x");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"a <B>RSP20 <b>rsp20 x"), u"ax");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"a<b>rsp20 x<b>rsp20 <b>rsp20 y"), u"axy");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"a<b>rsp20x"), u"a<b>rsp20x");
}

TEST(MarkupCleanupSecond, MiddleDotsBecomeItemBreaks) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"<li>a\u00B7b\u00B7c"),
            u"<li>a</li><li>b</li><li>c");
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"<br> <li></li><font>"), u"<br> <font>");
  // The break that the dot becomes is what the last rule tidies.
  EXPECT_EQ(r.Run(Stage12MarkupCleanupSecond, u"<font FACE=\"Symbol\" >\u00B7}}x"),
            u"<font FACE=\"Symbol\" ></li><li>x");
}

}  // namespace
}  // namespace skeinlet::detail

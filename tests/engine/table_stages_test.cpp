#include "engine/rtf_to_html.hpp"
#include "stage_run.hpp"

#include "engine/state.hpp"
#include "tables/cell_formatting.hpp"
#include "text/errors.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace skeinlet::detail {
namespace {

const Text kOpen =
    u"<table bordercolorlight=\"#000000\" border=\"1\" bordercolordark=\"#000000\" "
    u"bordercolor=\"#000000\" cellspacing=\"0\" cellpadding=\"0\">";

using testing::StageRun;

TEST(TableStages, CellWidthOpenings) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage09CellWidthTables, u"<p>\\CELLX2850<b>"),
            u"<p>" + kOpen + u"<tr><td><b>");
  EXPECT_EQ(r.Run(Stage09CellWidthTables, u"x>\\cellx978<y>\\cellx1890<"),
            u"x>" + kOpen + u"<tr><td><y>" + kOpen + u"<tr><td><");
  // The computed width: the first mark past position 20, four characters
  // at most before "<font ".
  const Text head(25, u'.');
  EXPECT_EQ(r.Run(Stage09CellWidthTables, head + u">\\cellx4000<font a>\\cellx4000<i>"),
            head + u">" + kOpen + u"<tr><td><font a>" + kOpen + u"<tr><td><i>");
  const Text early(10, u'.');
  EXPECT_EQ(r.Run(Stage09CellWidthTables, early + u">\\cellx4000<font a>"),
            early + u">\\cellx4000<font a>");
  EXPECT_EQ(r.Run(Stage09CellWidthTables, head + u">\\cellx400000<font a>"),
            head + u">\\cellx400000<font a>");
  // Only the width of the first mark.
  EXPECT_EQ(r.Run(Stage09CellWidthTables, head + u">\\cellx1<font >\\cellx2<"),
            head + u">" + kOpen + u"<tr><td><font >\\cellx2<");
}

TEST(TableStages, TableAndFontReordering) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage10TableFontOrder,
                  kOpen + u"<tr><td><font FACE=\"Arial\" SIZE=\"3\" >x"),
            u"<font FACE=\"Arial\" SIZE=\"3\" >" + kOpen + u"<tr><td>x");
  EXPECT_EQ(r.Run(Stage10TableFontOrder, u"</tr>\r</font><font FACE=\"Arial\" SIZE=\"3\" >"),
            u"</tr><tr>\r\n<font FACE=\"Arial\" SIZE=\"3\" >");
  EXPECT_EQ(r.Run(Stage10TableFontOrder, u"</tr>\r\n</font><font FACE=\"Arial\" SIZE=\"3\" >"),
            u"</tr><tr><td>\r\n</font><font FACE=\"Arial\" SIZE=\"3\" >");
  EXPECT_EQ(r.Run(Stage10TableFontOrder, u"</td></tr>\r\n</font><b><f"),
            u"</td></tr>\r\n<tr><td></font><b><f");
  EXPECT_EQ(r.Run(Stage10TableFontOrder, u"\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;<font SIZE=\"2\">"),
            u"\" SIZE=\"2\" >&nbsp;&nbsp;&nbsp;&nbsp;");
}

TEST(TableStages, LoneTableCloseAndLeftovers) {
  StageRun r;
  r.colour = u"00FF00";
  EXPECT_EQ(r.Run(Stage11LoneTableClose, u"<BODY BGCOLOR=\"#00FF00\">a</table>"),
            u"<BODY BGCOLOR=\"#00FF00\">" + kOpen + u"a</table>");
  EXPECT_EQ(r.Run(Stage11LoneTableClose, u"<BODY BGCOLOR=\"#00FF00\"><table>a</table>"),
            u"<BODY BGCOLOR=\"#00FF00\"><table>a</table>");
  EXPECT_EQ(r.Run(Stage14LeftoverMarkers, u"a\\ÎôÎôÎôb>\\CELLX10205<c"), u"ab><c");
}

TEST(TableStages, RowEmphasisAndRepair) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage13RowEmphasisAndRepair,
                  u"<table><tr><td>a</td></tr>\r\n<i><b><u><tr><td>b</td></tr></table>"),
            u"<table><tr><td>a</td></tr>\r\n<tr><td><u><b><i>b</td></tr></table>");
  EXPECT_EQ(r.Run(Stage13RowEmphasisAndRepair,
                  u"<table><tr><td>a</td></tr>\r\n<b><tr> b</td></tr></table>"),
            u"<table><tr><td>a</td></tr>\r\n<tr><td><b>b</td></tr></table>");
  // The repair's error leaves the stage.
  EXPECT_THROW(r.Run(Stage13RowEmphasisAndRepair, u"<table><tr><td>x</td></tr><tr</table>"),
               Error);
  // The repair runs only when both table tags occur.
  EXPECT_EQ(r.Run(Stage13RowEmphasisAndRepair, u"<table><td></td>"), u"<table><td></td>");
  EXPECT_EQ(r.Run(Stage13RowEmphasisAndRepair, u"<table><td></td></table>"),
            u"<table><TR><td>&nbsp;</td></TR></table>");
}

TEST(TableStages, CellFormattingLoop) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage25CellFormatting,
                  u"<table><td><b>a</td><td>b</td></table>x"
                  u"<TABLE><td><i>c</td><td>d</td></TABLE>"),
            u"<table><td><b>a</b></td><td><b>b</b></td></table>x"
            u"<TABLE><td><i>c</i></td><td><i>d</i></td></TABLE>");
  // Unequal counts: nothing is done.
  const Text unequal = u"<table><table><td><b>a</td><td>b</td></table>";
  EXPECT_EQ(r.Run(Stage25CellFormatting, unequal), unequal);
  // Each table takes the place of the first identical text.
  EXPECT_EQ(r.Run(Stage25CellFormatting,
                  u"<table><td><b>a</td><td>b</td></table>"
                  u"<table><td><b>a</td><td>b</td></table>"),
            u"<table><td><b>a</b></td><td><b>b</b></td></table>"
            u"<table><td><b>a</b></td><td><b>b</b></td></table>");
  // The search goes on at the old "</table>" position: a table that a
  // shorter replacement pulled in front of it is skipped.
  Text shrink = u"<table><td>";
  for (int k = 0; k < 20; ++k) shrink += u"< i>";
  shrink += u"</td></table>";
  const Text second = u"<table><td><b>x</td><td>y</td></table>";
  EXPECT_EQ(r.Run(Stage25CellFormatting, shrink + second),
            u"<table><td>" + Repeat(u"<i>", 20) + u"</i></td></table>" + second);
  // A copy of the skipped table further on: its round replaces the skipped
  // one, the first occurrence, and the copy stays as it was.
  EXPECT_EQ(r.Run(Stage25CellFormatting, shrink + second + u"z" + second),
            u"<table><td>" + Repeat(u"<i>", 20) + u"</i></td></table>" +
                u"<table><td><b>x</b></td><td><b>y</b></td></table>z" + second);
}

// The loop as described, with a plain search for the first occurrence.
Text CellFormattingLoopReference(Text html) {
  const Pos opens = CountOccurrences(html, u"<table", Compare::Text);
  if (opens == 0 || opens != CountOccurrences(html, u"</table>", Compare::Text)) return html;
  Pos pos = 1;
  for (;;) {
    const Pos a = InStr(pos, html, u"<table", Compare::Text);
    if (a == 0) break;
    pos = InStr(a, html, u"</table>", Compare::Text);
    if (pos == 0) break;
    const Text t = Mid(html, a, pos + 8 - a);
    ReplaceIn(html, t, CarryCellFormatting(t), Compare::Binary, Occurrences::First);
  }
  return html;
}

TEST(TableStages, CellFormattingLoopFindsASkippedTableHeldOpen) {
  // The shorter replacement of the first table makes the search skip the
  // start of the next one and land on the table inside it; a copy of the
  // skipped table later on is then replaced at the skipped one.
  Text shrink = u"<table><td>";
  for (int k = 0; k < 20; ++k) shrink += u"< i>";
  shrink += u"</td></table>";
  const Text skipped = u"<table><td><b>q</td><td>r</td><table>3</table>";
  const Text html = shrink + skipped + u"z" + skipped + u"</table></table>";
  StageRun r;
  const Text out = r.Run(Stage25CellFormatting, html);
  EXPECT_EQ(out, CellFormattingLoopReference(html));
  EXPECT_EQ(Right(out, Len(skipped) + 17), u"z" + skipped + u"</table></table>");
  EXPECT_NE(InStr(1, out, u"<b>q</b>", Compare::Binary), 0);
}

TEST(TableStages, CellFormattingLoopMatchesThePlainSearch) {
  std::mt19937 rng(5);
  const TextView pieces[] = {u"<table>", u"</table>", u"<td>", u"</td>", u"<b>", u"x",
                             u"< i>", u"<tr>", u"</tr>", u"<TABLE a>", u"<font f>"};
  StageRun r;
  for (int round = 0; round < 3000; ++round) {
    Text html;
    const int n = static_cast<int>(rng() % 24);
    for (int k = 0; k < n; ++k) html += pieces[rng() % std::size(pieces)];
    if (rng() % 3 == 0) html += html;  // identical tables
    ASSERT_EQ(r.Run(Stage25CellFormatting, html), CellFormattingLoopReference(html))
        << std::string(html.begin(), html.end());
  }
}

TEST(TableStages, CellFormattingLoopMatchesThePlainSearchOnLongDocuments) {
  // Many tables, nested and unclosed ones, either case, and copies of
  // earlier tables further on, so that the earlier-copy path and the
  // bookkeeping of tables left open are both taken.
  std::mt19937 rng(11);
  const TextView pieces[] = {u"<table>", u"</table>", u"<td>", u"</td>", u"<b>", u"xy",
                             u"< i>", u"<tr>", u"</tr>", u"<TABLE a>", u"</TABLE>", u"<font f>",
                             u"<table><td><b>a</td><td>b</td></table>", u"<i>", u"</i>",
                             u"<table><td>< i>< i>< i>< i>< i>< i>< i>< i>< i>< i></td></table>"};
  StageRun r;
  for (int round = 0; round < 200; ++round) {
    Text html;
    const int n = 20 + static_cast<int>(rng() % 180);
    for (int k = 0; k < n; ++k) {
      if (rng() % 12 == 0 && html.size() > 10) {
        const std::size_t from = rng() % html.size();
        html += html.substr(from, rng() % (html.size() - from) + 1);
      } else {
        html += pieces[rng() % std::size(pieces)];
      }
    }
    // Balance the counts so that the loop runs.
    const Pos opens = CountOccurrences(html, u"<table", Compare::Text);
    const Pos closes = CountOccurrences(html, u"</table>", Compare::Text);
    for (Pos k = closes; k < opens; ++k) html += u"</table>";
    for (Pos k = opens; k < closes; ++k) html.insert(0, u"<table>");
    const Text expected = CellFormattingLoopReference(html);
    ASSERT_EQ(r.Run(Stage25CellFormatting, html), expected) << "round " << round;
    // Again with room behind the text, which the loop takes as room to
    // write lengthened tables into before it has to move the text.
    Text roomy;
    roomy.reserve(html.size() + rng() % (html.size() / 4 + 2));
    roomy = html;
    ASSERT_EQ(r.Run(Stage25CellFormatting, std::move(roomy)), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace skeinlet::detail

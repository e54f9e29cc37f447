#include "engine/rtf_to_html.hpp"
#include "stage_run.hpp"

#include "engine/state.hpp"

#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

using testing::StageRun;

TEST(FinalCleanup, SurplusListAndCentreEnds) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"a</ul></ul></ul></ul>b</UL></ul></ul></ul>c"),
            u"abc");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"<UL>a</ul></ul></ul></ul>b"),
            u"<UL>a</ul></ul></ul></ul>b");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"a</ul></ul></ul>b"), u"a</ul></ul></ul>b");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"a</ul></ul></ul></ul></ul>b"), u"a</ul>b");

  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"a</center>b</CENTER>c"), u"abc");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"<CENTER>a</center>b</CENTER>"),
            u"<CENTER>a</center>b</CENTER>");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"<center >a</center>"), u"<center >a");
}

TEST(FinalCleanup, TabStopsAndCharacterReferences) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities,
                  u"a\u00FExxxTABSTOPxxx\u00FEb\u00DEXXXtabstopXXX\u00DEc"),
            u"a&nbsp;&nbsp;&nbsp;b&nbsp;&nbsp;&nbsp;c");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"café CAFÉ"), u"caf&#233; CAF&#201;");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities,
                  u"©®ÀÁÂÃÄÇÈÉÊÖÛÜÝßàáâãäçèéêñöûü€"),
            u"&#169;&#174;&#192;&#193;&#194;&#195;&#196;&#199;&#200;&#201;&#202;&#214;"
            u"&#219;&#220;&#221;&#223;&#224;&#225;&#226;&#227;&#228;&#231;&#232;&#233;"
            u"&#234;&#241;&#246;&#251;&#252;&#128;");
  // Each small letter and its capital are told apart.
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"äÄöÖüÜçÇ"),
            u"&#228;&#196;&#246;&#214;&#252;&#220;&#231;&#199;");
  EXPECT_EQ(r.Run(Stage26FinalCleanupEntities, u"Å í Ñ ô ò ë ï ú å æ ø ÿ £"),
            u"Å í Ñ ô ò ë ï ú å æ ø ÿ £");
}

// A row whose last cell holds only a blank in the given face.
Text EmptyLastCellRow(const Text& face) {
  return u"<TD>x</font></td><td>&nbsp;<font FACE=\"" + face + u"\"></font></TD></tr><tr><TD>";
}

TEST(FinalCleanup, TrailingEmptyCellsOnlyInTablesWithManyOfThem) {
  StageRun r;
  const Text tableEnd = u"y<td>&nbsp;<font FACE=\"Verdana\"></font></TD></tr></table>";
  const Text four = EmptyLastCellRow(u"Arial") + EmptyLastCellRow(u"Symbol") +
                    EmptyLastCellRow(u"Times New Roman") + EmptyLastCellRow(u"Courier New") +
                    tableEnd;
  EXPECT_EQ(r.Run(Stage27TrailingEmptyCells, four), four);

  const Text five = EmptyLastCellRow(u"Arial") + EmptyLastCellRow(u"Symbol") +
                    EmptyLastCellRow(u"Times New Roman") + EmptyLastCellRow(u"Courier New") +
                    EmptyLastCellRow(u"verdana") + tableEnd;
  const Text cleaned = u"<TD>x</font></td></tr><tr><TD>";
  EXPECT_EQ(r.Run(Stage27TrailingEmptyCells, five),
            cleaned + cleaned + cleaned + cleaned + cleaned + u"y</tr></table>");

  // The count compares in any letter case; a row in another face is left.
  const Text lower = u"></font></td></tr><tr><td>";
  const Text other = EmptyLastCellRow(u"Tahoma");
  EXPECT_EQ(r.Run(Stage27TrailingEmptyCells, lower + lower + lower + lower + other),
            lower + lower + lower + lower + other);
  EXPECT_EQ(r.Run(Stage27TrailingEmptyCells,
                  lower + lower + lower + lower + EmptyLastCellRow(u"Arial")),
            lower + lower + lower + lower + cleaned);
  EXPECT_EQ(r.Run(Stage27TrailingEmptyCells,
                  lower + lower + lower + lower + lower +
                      u"<td>&nbsp;<font FACE=\"Symbol\"></font></TD></tr></table>"),
            lower + lower + lower + lower + lower + u"</tr></table>");
}

TEST(FinalCleanup, LowQuotesOnlyBesideQuoteReferences) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths, u"\u201Ea\u201C"), u"\u201Ea\u201C");
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths, u"\u201Ea&LDQUO;b\u201E"),
            u"&bdquo;a&LDQUO;b&bdquo;");
}

TEST(FinalCleanup, SpacerRowsAndCellWidths) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths,
                  u"bordercolor=\"#000000\"><tr><td colspan=8>&nbsp;</td></tr><tr><td></font>x"),
            u"bordercolor=\"#000000\"><tr><td></font>x");
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths,
                  u"a<tr><td colspan=8><font FACE=\"MS Sans Serif\"SIZE=\"1\"><font FACE=\"Arial\">"
                  u"<font SIZE=\"3\">&nbsp;<b></b></font></TD></TR>b"
                  u"<TR><TD COLSPAN=8><font face=\"ms sans serif\"size=\"1\"><font FACE=\"Arial\">"
                  u"<font SIZE=\"3\">&nbsp;\r\n<b></b></font></TD></TR>c"),
            u"abc");
  // With a blank before SIZE only the exact text goes.
  const Text spaced =
      u"<tr><td colspan=8><font FACE=\"MS Sans Serif\" SIZE=\"1\"><font FACE=\"Arial\">"
      u"<font SIZE=\"3\">&nbsp;\r\n<b></b></font></TD></TR>";
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths, u"a" + spaced + u"b"), u"ab");
  const Text spacedLower =
      u"<tr><td colspan=8><font face=\"MS Sans Serif\" SIZE=\"1\"><font FACE=\"Arial\">"
      u"<font SIZE=\"3\">&nbsp;\r\n<b></b></font></TD></TR>";
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths, spacedLower), spacedLower);
  const Text spacedOneLine =
      u"<tr><td colspan=8><font FACE=\"MS Sans Serif\" SIZE=\"1\"><font FACE=\"Arial\">"
      u"<font SIZE=\"3\">&nbsp;<b></b></font></TD></TR>";
  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths, spacedOneLine), spacedOneLine);

  EXPECT_EQ(r.Run(Stage28QuotesSpacersCellWidths,
                  u"<td>\\cellx4472\\cellx8636<b>a<td>\\CELLX4410<b>b<td>\\cellx4472<B>c"
                  u"<td>\\cellx8636<b>d<td>\\cellx8636\\cellx4472<b>e"),
            u"<td><b>a<td><b>b<td><b>c<td><b>d<td>\\cellx8636\\cellx4472<b>e");
}

TEST(FinalCleanup, TheLastStagesThroughRtfToHtml) {
  Text rtf = u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\plain caf\\'e9 \\'80 "
             u"\\'c5 x\\par}",
       title, colour = u"FFFFFF", generator, links = u"no", debug, images, folder, format,
       name, mode = u"no";
  const Text html = RtfToHtml(rtf, title, colour, generator, links, debug, images, folder,
                              format, name, mode);
  EXPECT_NE(html.find(u"caf&#233; &#128; \u00C5"), Text::npos) << skeinlet::ToUtf8(html);
}

}  // namespace
}  // namespace skeinlet::detail

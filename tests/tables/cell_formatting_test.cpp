#include "tables/cell_formatting.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

TEST(CellFormatting, FormattingCarriesFromCellToCell) {
  EXPECT_EQ(CarryCellFormatting(u"<TD>a<B>b</TD><TD>c</TD>"),
            u"<TD>a<B>b</b></TD><TD><b>c</b></TD>");
  // A bold closed inside its cell still counts as open.
  EXPECT_EQ(CarryCellFormatting(u"<TD><B>a</B></TD><TD>b</TD>"),
            u"<TD><B>a</B></TD><TD><b>b</b></TD>");
  // Order of re-opening: bold, italic, underline; of closing: b, i, u.
  EXPECT_EQ(CarryCellFormatting(u"<td><u><i><b>x</td><td>y</td>"),
            u"<td><u><i><b>x</b></i></u></td><td><u><i><b>y</b></i></u></td>");
  // Underline already open: no second "<u>", only the closing tag.
  EXPECT_EQ(CarryCellFormatting(u"<TD><U>a</TD><TD><U>x</TD>"),
            u"<TD><U>a</u></TD><TD><U>x</u></TD>");
}

TEST(CellFormatting, RowEndsAndTextBetweenCells) {
  EXPECT_EQ(CarryCellFormatting(u"<tr><TD><B>a</TD></tr><tr><TD>b</TD>"),
            u"<tr><TD><B>a</b></TD></tr><tr><TD>b</TD>");
  // The row end clears the flags before the piece's own tags set them.
  EXPECT_EQ(CarryCellFormatting(u"<TD><U>a</TD><i></table><TD>b</TD>"),
            u"<TD><U>a</u></TD><i></table><TD><i>b</i></TD>");
  EXPECT_EQ(CarryCellFormatting(u"<TR><B><TD>b</TD>"), u"<TR><B><TD><b>b</b></TD>");
  // Text and "<"s that open no cell, up to the very last character, stay
  // between the cells as they are.
  EXPECT_EQ(CarryCellFormatting(u"x<p>y<t<T<TD>a</TD>z<"), u"x<p>y<t<T<TD>a</TD>z<");
  EXPECT_EQ(CarryCellFormatting(u"<B>x<TD>a</TD><T"), u"<B>x<TD><b>a</b></TD><T");
}

TEST(CellFormatting, FontTagsAreCopiedIntoFollowingCells) {
  EXPECT_EQ(CarryCellFormatting(
                u"<td><font FACE=\"Arial\"><font SIZE=\"2\">a</td><td>b</td>"),
            u"<td><font FACE=\"Arial\"><font SIZE=\"2\">a</font></td>"
            u"<td><font FACE=\"Arial\"><font SIZE=\"2\">b</font></td>");
  // A cell with its own font tag starts no copy; a closed font adds nothing.
  EXPECT_EQ(CarryCellFormatting(u"<td><font A>a</td><td><font B>b</font></td><td>c</td>"),
            u"<td><font A>a</font></td><td><font B>b</font></td><td><font B>c</font></td>");
}

TEST(CellFormatting, BlanksHeadsAndUnclosedCells) {
  // "< " and " >" lose their blanks everywhere, cell text included.
  EXPECT_EQ(CarryCellFormatting(u"< td >a < b</td >"), u"<td>a <b</td>");
  EXPECT_EQ(CarryCellFormatting(u""), u"");
  // "<TH" also opens at "<THEAD": the piece runs to the next "</TH>".
  EXPECT_EQ(CarryCellFormatting(u"<thead><th>h</th>x"), u"<thead><th>h</th>x");
  // Without a closing tag the cell runs to the end: its last five
  // characters are taken for the closing tag.
  EXPECT_EQ(CarryCellFormatting(u"<table><td>abcdefg"), u"<table><td>abcdefg");
  // Shorter than five characters after the opening tag: that statement is
  // skipped, and the text after the tag is kept whole.
  EXPECT_EQ(CarryCellFormatting(u"<td>ab"), u"<td>abtd>ab");
}

TEST(CellFormatting, PiecesGrowInBlocksOf256) {
  ResetCellPieces();
  CellFormattingState& st = CellFormatting();
  EXPECT_EQ(st.CellPieceCapacity, 256);
  for (int k = 0; k < 257; ++k) AddCellPiece(u"x", k % 2 == 0);
  EXPECT_EQ(st.CellPieceCount, 257);
  EXPECT_EQ(st.CellPieceCapacity, 512);
  EXPECT_EQ(st.CellPieces[257].Text, u"x");
  EXPECT_TRUE(st.CellPieces[257].IsCell);
  FormatCellPiece(258);  // beyond the count: nothing
  ResetCellPieces();
  EXPECT_EQ(st.CellPieceCount, 0);
  EXPECT_EQ(st.CellPieceCapacity, 256);

  Text big = u"<table>";
  for (int r = 0; r < 10000; ++r) big += u"<tr><td><b>a</td><td>b</td></tr>";
  big += u"</table>";
  const Text out = CarryCellFormatting(big);
  EXPECT_EQ(CountOccurrences(out, u"</b>", Compare::Binary), 20000);
  // Per row: "<tr>" (with the previous "</tr>"), two cells; then the end.
  EXPECT_EQ(CellFormatting().CellPieceCount, 30001);
}

}  // namespace
}  // namespace skeinlet::detail

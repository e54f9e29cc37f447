#include "tables/cell_formatting.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

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

// The pass done literally: every tag test is a search of the piece's
// upper-cased text, kept up to date as tags are put in front.
Text LiteralCarry(const Text& tableHtml) {
  Text s = Replace(tableHtml, u"< ", u"<", Compare::Binary);
  s = Replace(s, u" >", u">", Compare::Binary);
  const Text u = UCase(s);
  if (s.empty()) return u"";
  std::vector<std::pair<Text, bool>> pieces;
  Text b;
  Pos i = 1;
  const Pos n = Len(s);
  while (i <= n) {
    const Text three = Mid(u, i, 3);
    if (three != u"<TD" && three != u"<TH") {
      b += Mid(s, i, 1);
      ++i;
      continue;
    }
    if (!b.empty()) pieces.emplace_back(b, false);
    b.clear();
    Pos c = InStr(i + 4, u, three == u"<TD" ? u"</TD>" : u"</TH>", Compare::Binary);
    if (c == 0) c = n;
    pieces.emplace_back(Mid(s, i, c + 4 - i + 1), true);
    i = c + 5;
  }
  if (!b.empty()) pieces.emplace_back(b, false);

  bool bold = false, italic = false, underline = false;
  Text last;
  const auto has = [](const Text& t, TextView tag) { return InStr(1, UCase(t), tag, Compare::Binary) > 0; };
  Text out;
  for (auto& [text, isCell] : pieces) {
    if (!isCell) {
      if (has(text, u"</TR>") || has(text, u"</TABLE>")) bold = italic = underline = false;
      bold |= has(text, u"<B>");
      italic |= has(text, u"<I>");
      underline |= has(text, u"<U>");
      out += text;
      continue;
    }
    const Text whole = Trim(text);
    const Pos gt = InStr(1, whole, u">", Compare::Binary);
    const Text open = Left(whole, gt);
    const Text close = Right(whole, 5);
    Text t = Mid(whole, gt + 1);
    if (Len(t) >= 5) t = Left(t, Len(t) - 5);
    Text f;
    for (Pos from = 1;;) {
      const Pos o = InStr(from, UCase(t), u"<FONT", Compare::Binary);
      if (o == 0) break;
      const Pos c = InStr(o, t, u">", Compare::Binary);
      if (c == 0) break;
      f += Mid(t, o, c - o + 1);
      from = c + 1;
    }
    f = Trim(f);
    if (!f.empty()) last = f;
    else t = last + t;
    bold |= has(t, u"<B>");
    italic |= has(t, u"<I>");
    underline |= has(t, u"<U>");
    if (bold && !has(t, u"<B>")) t = u"<b>" + t;
    if (italic && !has(t, u"<I>")) t = u"<i>" + t;
    if (underline && !has(t, u"<U>")) t = u"<u>" + t;
    if (has(t, u"<B>") && !has(t, u"</B>")) t += u"</b>";
    if (has(t, u"<I>") && !has(t, u"</I>")) t += u"</i>";
    if (has(t, u"<U>") && !has(t, u"</U>")) t += u"</u>";
    if (has(t, u"<FONT") && !has(t, u"</FONT>")) t += u"</font>";
    out += open + t + close;
  }
  return out;
}

TEST(CellFormatting, RandomTablesMatchTheLiteralPass) {
  // The pass finds its "<" in the text itself, not in an upper-cased copy:
  // the same only while no other unit upper-cases to "<".
  for (std::uint32_t c = 0; c <= 0xFFFF; ++c) {
    if (c == u'<') continue;
    ASSERT_NE(UCase(Text(1, static_cast<char16_t>(c))), u"<") << c;
  }
  // Tags in every letter case, U+0131 and U+017F (which upper-case to "I"
  // and "S"), blanks inside brackets, cells without ends and stray brackets.
  const std::vector<Text> pieces = {
      u"<td>", u"<TD>", u"< td >", u"</td>", u"</TD >", u"<th>", u"</th>", u"<thead>",
      u"<tr>", u"</tr>", u"</TR>", u"</table>", u"</tAbLe>", u"<b>", u"<B>", u"</b>",
      u"</B>", u"<i>", u"<\u0131>", u"</\u0131>", u"</I>", u"<u>", u"<U>", u"</u>",
      u"<font FACE=\"Arial\">", u"<FONT SIZE=2>", u"<font", u"</font>", u"</FoNt>",
      u"<fo<b>nt>", u"<", u">", u" ", u"a", u"bc", u"\u017f", u"\u00e9", u"\r\n"};
  std::mt19937 rng(20261208);
  for (int round = 0; round < 4000; ++round) {
    Text table = u"<table>";
    const int count = static_cast<int>(rng() % 40);
    for (int k = 0; k < count; ++k) table += pieces[rng() % pieces.size()];
    if (rng() % 4 != 0) table += u"</table>";
    ASSERT_EQ(CarryCellFormatting(table), LiteralCarry(table)) << round;
  }
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

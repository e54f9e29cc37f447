#include "fresh_state.hpp"

#include "html2rtf/tables.hpp"

#include <gtest/gtest.h>

#include <random>

namespace skeinlet::detail {
namespace {

const Text kHeaderEnd = u"\r\n\\deflang1033";

Text Convert(Text html, std::int16_t borders = 0) {
  Text folder;
  return ConvertHtmlToRtf(html, folder, folder, borders);
}

// What follows the default language word (and "\pard\plain\tx0" when it is
// there), without the closing brace.
Text Body(Text html, std::int16_t borders = 0) {
  const Text rtf = Convert(std::move(html), borders);
  const std::size_t at = rtf.find(kHeaderEnd);
  if (at == Text::npos) return rtf;
  return rtf.substr(at + kHeaderEnd.size(), rtf.size() - at - kHeaderEnd.size() - 1);
}

Text Layout(TextView table, std::int32_t available = 600) {
  HtmlRtfState& s = FreshState();
  s.TableDepth = 1;
  const Text html(table);
  const std::int16_t width = ComputeTableLayout(html, 1, available);
  return s.TableStack[1].ColumnWidths + u"= " + NumberText(width);
}

TEST(Tables, LookAhead) {
  EXPECT_EQ(ExtractElement(u"<table a><TABLE><td></table>x</Table>y", u"TABLE"),
            u"<table a><TABLE><td></table>x</Table>");
  EXPECT_EQ(ExtractElement(u"<table><tr><td>open", u"TABLE"), u"<table><tr><td>open");
  EXPECT_EQ(ExtractRow(u"<tr><td>a<td><table><tr><td>b</tr></table></tr>"),
            u"<tr><td>a<td><table><tr><td>b</tr></table>");
  EXPECT_EQ(ExtractRow(u"<TR><td>a<tr>"), u"<TR><td>a");
  EXPECT_EQ(ExtractRow(u"<td>a</table>b"), u"<td>a");
  EXPECT_EQ(ExtractCell(u"<td>a<table><td>b</table>c<td>d"), u"<td>a<table><td>b</table>c");
  EXPECT_EQ(ExtractCell(u"<td>a</tr>"), u"<td>a");
  EXPECT_EQ(ExtractCell(u"<td>a</TD>"), u"<td>a");
  EXPECT_EQ(RemoveNestedTables(u"<td>a<table><table></table><td>b</table>c<td>d"), u"<td>ac<td>d");
  EXPECT_EQ(RemoveNestedTables(u"<td>a<table><td>never closed"), u"<td>a");
}

TEST(Tables, MarkAtReadsTheTagNamesInOrder) {
  // Against the names compared in turn, "</TABLE" first and "<TD" last, on
  // random texts of the units the names are made of.
  const auto named = [](TextView text, std::size_t at) {
    const auto nameAt = [&](TextView upper) {
      if (text.size() - at < upper.size()) return false;
      for (std::size_t i = 0; i < upper.size(); ++i) {
        const char16_t c = text[at + i];
        if ((c >= u'a' && c <= u'z' ? c - 32 : c) != upper[i]) return false;
      }
      return true;
    };
    if (nameAt(u"</TABLE")) return Mark::TableClose;
    if (nameAt(u"</TR")) return Mark::RowClose;
    if (nameAt(u"</TD")) return Mark::CellClose;
    if (nameAt(u"<TABLE")) return Mark::TableOpen;
    if (nameAt(u"<TR")) return Mark::RowOpen;
    if (nameAt(u"<TD")) return Mark::CellOpen;
    return Mark::Other;
  };
  const char16_t units[] = {u'<', u'/', u'T', u't', u'R', u'r', u'D', u'd', u'A',
                            u'a', u'B', u'b', u'L', u'l', u'E', u'e', u'x', u'\u0154'};
  std::mt19937 rng(16);
  for (int round = 0; round < 50000; ++round) {
    Text t(rng() % 9, u'<');
    for (std::size_t i = 1; i < t.size(); ++i) t[i] = units[rng() % std::size(units)];
    for (std::size_t at = 0; at <= t.size(); ++at)
      ASSERT_EQ(MarkAt(t, at), named(t, at)) << round << " " << at;
  }
}

TEST(Tables, ColumnWidths) {
  EXPECT_EQ(Layout(u"<table><tr><td>a<td>b</table>"), u"300 300 = 600");
  EXPECT_EQ(Layout(u"<table><tr><td width=100>a<td>b<td width=\"50%\">c</table>"),
            u"100 200 300 = 600");
  // The wider of two rows' widths stays; a percentage against pixels is
  // compared in pixels (20% of 600 is 120).
  EXPECT_EQ(Layout(u"<table><tr><td width=100>a<td width=20%>b<tr><td width=150>c<td "
                   u"width=100>d</table>"),
            u"150 120 = 270");
  // A spanning cell gives each of its columns its share.
  EXPECT_EQ(Layout(u"<table><tr><td colspan=2 width=300>a<tr><td>b<td>c<td>d</table>"),
            u"150 150 300 = 600");
  EXPECT_EQ(Layout(u"<table width=\"50%\"><tr><td>a<td>b</table>"), u"150 150 = 300");
  EXPECT_EQ(Layout(u"<table width=1200><tr><td>a<td>b</table>"), u"600 600 = 1200");
  // Nothing left for the columns without a width: every column gets an equal
  // share.
  EXPECT_EQ(Layout(u"<table><tr><td width=700>a<td>b</table>"), u"300 300 = 600");
  // A table width that is no number counts as 0.
  EXPECT_EQ(Layout(u"<table width=abc><tr><td>a<td>b</table>"), u"0 0 = 0");
  EXPECT_EQ(Layout(u"<table width=-5%><tr><td>a<td>b</table>"), u"-15 -15 = -30");
  // A nested table wider than its cell widens the cell's column.
  EXPECT_EQ(Layout(u"<table><tr><td width=100><table width=400><tr><td>x</table></td><td>b"
                   u"</table>"),
            u"400 200 = 600");
  // Nested tables' cells are not the outer table's columns.
  EXPECT_EQ(Layout(u"<table><tr><td><table><tr><td>1<td>2<td>3</table><td>b</table>"),
            u"300 300 = 600");
  // Cells without a row count as one.
  EXPECT_EQ(Layout(u"<table><td>a<td>b<td>c</table>"), u"200 200 200 = 600");
  EXPECT_EQ(Layout(u"<table></table>"), u"= 0");
  EXPECT_TRUE(HtmlRtf().TableStack[1].ColumnWidths.empty());
}

TEST(Tables, WideRowsOfLongCellTags) {
  // Twenty cells a row, each tag long enough that a row's tags outgrow any
  // small room kept for them: every cell keeps its own width. The second
  // row's cells are narrower, so the first row's decide every column.
  Text first = u"<tr>", second = u"<tr>", widths;
  for (int c = 1; c <= 20; ++c) {
    const Text style = u"<td style=\"padding: 0; border: none\" width=";
    first += style + NumberText(10 * c) + u">x</td>";
    second += style + NumberText(5 * c) + u">x</td>";
    widths += NumberText(10 * c) + u" ";
  }
  const Text table =
      u"<table>" + first + second + u"<tr><td colspan=20 width=40>y</td></tr></table>";
  EXPECT_EQ(Layout(table), widths + u"= 2100");
  // 2100 pixels drawn across the page: the first boundary at 10 of them, the
  // second at 30, the last at the page's width.
  const Text body = Body(table);
  const TextView definition = TextView(body).substr(0, body.find(u"\r\n"));
  EXPECT_EQ(CountOccurrences(definition, u"\\cellx", Compare::Binary), 20) << ToUtf8(body);
  EXPECT_TRUE(definition.starts_with(u"\\trowd\\trgaph30\\trleft-30 \\cellx43\\cellx129"))
      << ToUtf8(body);
  EXPECT_TRUE(definition.ends_with(u"\\cellx9000")) << ToUtf8(body);
}

TEST(Tables, OutermostRows) {
  // First in the body: no "\pard\plain\tx0" in the header and no "\par".
  EXPECT_EQ(Body(u"<table border=1><tr><td>a</td><td>b</td></tr></table>"),
            u"\\trowd\\trgaph30\\trleft-30 \\cellx4500\\cellx9000\r\n"
            u"\\intbl\\itap1\\lang1033\\fs24\\cf1 a\\cell\\intbl\\itap1\\lang1033\\fs24\\cf1 b"
            u"\\cell\\row\r\n\\itap0\r\n\\pard");
  // With borders on, every row and cell has them, BORDER or not; after text,
  // the table starts a paragraph of its own.
  const Text b = u"\\brdrs\\brdrw10 ";
  EXPECT_EQ(Body(u"x<table align=center width=1200><tr><td>a</table>", 1),
            u"\\pard\\plain\\tx0\\lang1033\\fs24\\cf1 x\r\n\\par\\pard\\plain"
            u"\\trowd\\trgaph30\\trleft-30\\trqc \\trbrdrt" + b + u"\\trbrdrl" + b + u"\\trbrdrb" +
                b + u"\\trbrdrr" + b + u"\r\n\\clbrdrt" + b + u"\\clbrdrl" + b + u"\\clbrdrb" + b +
                u"\\clbrdrr" + b + u"\r\n\\cellx9000\r\n"
            u"\\intbl\\itap1\\lang1033\\fs24\\cf1 a\\cell\\row\r\n\\itap0\r\n\\pard");
  // A table 1200 pixels wide is drawn at half its size.
  const Text wide = Body(u"<table width=1200><tr><td>a<td>b</table>");
  EXPECT_TRUE(wide.starts_with(u"\\trowd\\trgaph30\\trleft-30 \\cellx4500\\cellx9000\r\n")) << ToUtf8(wide);
  // Spanning cells take their columns' widths together.
  EXPECT_TRUE(Body(u"<table><tr><td colspan=\"2\">a<tr><td>b<td>c<td>d</table>")
                  .starts_with(u"\\trowd\\trgaph30\\trleft-30 \\cellx6000\r\n"));
}

TEST(Tables, ImpliedRowsHighlightsAndHeaders) {
  // A TD without a TR opens a row, closed by the "</TR>" put in before the
  // table's end.
  EXPECT_EQ(Body(u"<table><td>a<td>b</table>"),
            u"\\trowd\\trgaph30\\trleft-30 \\cellx4500\\cellx9000\r\n"
            u"\\intbl\\itap1\\lang1033\\fs24\\cf1 a\\cell\\intbl\\itap1\\lang1033\\fs24\\cf1 b"
            u"\\cell\\row\r\n\\itap0\r\n\\pard");
  // A TR while the row before it is open closes that row first, and its
  // cells stay in the new row.
  EXPECT_EQ(Body(u"<table><tr><td>a<tr><td>b<td>c</table>"),
            u"\\trowd\\trgaph30\\trleft-30 \\cellx4500\r\n"
            u"\\intbl\\itap1\\lang1033\\fs24\\cf1 a\\cell\\row\r\n"
            u"\\trowd\\trgaph30\\trleft-30 \\cellx4500\\cellx9000\r\n"
            u"\\intbl\\itap1\\lang1033\\fs24\\cf1 b\\cell\\intbl\\itap1\\lang1033\\fs24\\cf1 c"
            u"\\cell\\row\r\n\\itap0\r\n\\pard");
  // A TR with a background colour closes its highlight group with the row.
  const Text lit = Body(u"<table><tr bgcolor=red><td>a</td></tr></table>");
  EXPECT_NE(lit.find(u"{\\highlight2"), Text::npos) << ToUtf8(lit);
  EXPECT_NE(lit.find(u"a\\cell\\row}\r\n"), Text::npos) << ToUtf8(lit);
  // A TD with one closes it with the cell.
  EXPECT_NE(Body(u"<table><tr><td bgcolor=red>a</td></tr></table>").find(u"a\\cell}\\row\r\n"),
            Text::npos);
  // TH cells are no cells; TBODY is not seen.
  EXPECT_EQ(Body(u"<table><tbody><tr><th>h</th></tr></tbody></table>"),
            u"\\trowd\\trgaph30\\trleft-30 \r\n\\lang1033\\fs24\\cf1 h\\row\r\n\\itap0\r\n\\pard");
}

TEST(Tables, NestedRows) {
  const Text rtf = Body(u"<table><tr><td>a<table><tr><td rowspan=2>x<td>y</table></td></tr></table>");
  EXPECT_EQ(rtf,
            u"\\trowd\\trgaph30\\trleft-30 \\cellx9000\r\n"
            u"\\intbl\\itap1\\lang1033\\fs24\\cf1 a\r\n\\par\r\n\\pard\\plain"
            u"\\intbl\\itap2\\lang1033\\fs24\\cf1 x\\nestcell\\intbl\\itap2\\lang1033\\fs24\\cf1 y"
            u"\\nestcell\\intbl\\itap2{\\*\\nesttableprops\\trowd\\trgaph30\\trleft-30 "
            u"\\clvmgf\\cellx4500\\cellx9000\\nestrow}\\intbl\\itap2\r\n"
            u"\\cell\\row\r\n\\itap0\r\n\\pard");
}

TEST(Tables, NestedWidthsFromTheParentCell) {
  // In the second of two 300-pixel columns the nested table has 300 pixels.
  const Text second = Body(u"<table><tr><td>a<td><table><tr><td>x<td>y</table></table>");
  EXPECT_NE(second.find(u"\\cellx2250\\cellx4500\\nestrow}"), Text::npos) << ToUtf8(second);
  // Under a cell spanning both columns it has all 600.
  const Text spanned =
      Body(u"<table><tr><td>a<td>b<tr><td colspan=2><table><tr><td>x<td>y</table></table>");
  EXPECT_NE(spanned.find(u"\\cellx4500\\cellx9000\\nestrow}"), Text::npos) << ToUtf8(spanned);
}

TEST(Tables, BadInput) {
  // Cells and rows never closed, a table never closed.
  const Text open = Body(u"<table><tr><td>a<td>b<tr><td>c");
  EXPECT_NE(open.find(u"b\\cell\\row\r\n"), Text::npos) << ToUtf8(open);
  // Fifty tables, each in a cell of the one before.
  Text deep;
  for (int i = 0; i < 50; ++i) deep += u"<table><tr><td>";
  deep += u"core";
  for (int i = 0; i < 50; ++i) deep += u"</td></tr></table>";
  const Text nested = Body(deep);
  EXPECT_NE(nested.find(u"core"), Text::npos);
  EXPECT_NE(nested.find(u"\\nestrow}\\intbl\\itap50\r\n"), Text::npos);
  EXPECT_EQ(HtmlRtf().TableDepth, 0);
  // A span of 30000 columns, and one beyond a 16-bit number.
  EXPECT_NE(Body(u"<table><tr><td colspan=30000>wide</table>").find(u"wide"), Text::npos);
  EXPECT_NE(Body(u"<table><tr><td colspan=99999>wider</table>").find(u"wider"), Text::npos);
  // Table tags outside a table write nothing.
  EXPECT_EQ(Body(u"<td>a</td></tr></table>"), u"\\pard\\plain\\tx0\\lang1033\\fs24\\cf1 a");
}

}  // namespace
}  // namespace skeinlet::detail

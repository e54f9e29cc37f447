// The table stages of RtfToHtml: 9 (cell-width table openings), 10 (table
// and font reordering), 11 (lone table close), 13 (row emphasis and the HTML
// table repair), 14 (leftover marks) and 25 (the cell formatting loop).
#include "engine/rtf_to_html.hpp"
#include "tables/cell_formatting.hpp"
#include "tables/cell_formatting_rounds.hpp"
#include "tables/table_repair.hpp"
#include "text/errors.hpp"
#include "text/rules.hpp"

#include <algorithm>
#include <functional>
#include <vector>

namespace skeinlet::detail {
namespace {

#define SKEINLET_TABLE_OPEN                                                 \
  u"<table bordercolorlight=\"#000000\" border=\"1\" bordercolordark=\"#000000\" " \
  u"bordercolor=\"#000000\" cellspacing=\"0\" cellpadding=\"0\">"

constexpr TextView TableOpenTag = SKEINLET_TABLE_OPEN;

}  // namespace

void Stage09CellWidthTables(EngineCall& call) {
  static constexpr Rule kFixedWidths[] = {
      {u">\\cellx2850<", u">" SKEINLET_TABLE_OPEN u"<tr><td><"},
      {u">\\cellx2994<", u">" SKEINLET_TABLE_OPEN u"<tr><td><"},
      {u">\\cellx978<", u">" SKEINLET_TABLE_OPEN u"<tr><td><"},
      {u">\\cellx1986<", u">" SKEINLET_TABLE_OPEN u"<tr><td><"},
      {u">\\cellx930<", u">" SKEINLET_TABLE_OPEN u"<tr><td><"},
      {u">\\cellx1890<", u">" SKEINLET_TABLE_OPEN u"<tr><td><"},
  };
  IndexedText& indexed = call.Html;
  indexed.Apply(kFixedWidths);

  // Only the width at the first ">\cellx" is handled, and only when at most
  // four characters stand between it and a font tag.
  if (!indexed.Has(u">\\cellx")) return;
  const Text& html = indexed.text();
  const Pos p = InStr(1, html, u">\\cellx", Compare::Text);
  if (p <= 20) return;
  const Pos q = InStr(p, html, u"<font ", Compare::Text);
  if (!(q > p && q < p + 12)) return;
  const Text mark = Mid(html, p, q - p);
  indexed.Replace(mark + u"<", Text(u">") + Text(TableOpenTag) + u"<tr><td><", Compare::Text);
}

void Stage10TableFontOrder(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u"\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;<font SIZE=\"2\">",
       u"\" SIZE=\"2\" >&nbsp;&nbsp;&nbsp;&nbsp;"},
      {SKEINLET_TABLE_OPEN u"<tr><td><font FACE=\"Arial\" SIZE=\"2\" >",
       u"<font FACE=\"Arial\" SIZE=\"2\" >" SKEINLET_TABLE_OPEN u"<tr><td>"},
      {SKEINLET_TABLE_OPEN u"<tr><td><font FACE=\"Arial\" SIZE=\"3\" >",
       u"<font FACE=\"Arial\" SIZE=\"3\" >" SKEINLET_TABLE_OPEN u"<tr><td>"},
      {SKEINLET_TABLE_OPEN u"<tr><td><font FACE=\"Arial\" SIZE=\"4\" >",
       u"<font FACE=\"Arial\" SIZE=\"4\" >" SKEINLET_TABLE_OPEN u"<tr><td>"},
      {u"</tr>{CR}</font><font FACE=\"Arial\" SIZE=\"3\" >",
       u"</tr><tr>{CRLF}<font FACE=\"Arial\" SIZE=\"3\" >"},
      {u"</tr>{CRLF}</font><font FACE=\"Arial\" SIZE=\"3\" >",
       u"</tr><tr><td>{CRLF}</font><font FACE=\"Arial\" SIZE=\"3\" >"},
      {u"</td></tr>{CRLF}</font></b></b>", u"</td></tr>{CRLF}<tr><td></font></b></b>"},
      {u"</td></tr>{CRLF}</font><b><f", u"</td></tr>{CRLF}<tr><td></font><b><f"},
  };
  static const RuleTable kTable = RuleTable::FromNotation(kRules);
  call.Html.Apply(kTable);
}

void Stage11LoneTableClose(EngineCall& call) {
  IndexedText& html = call.Html;
  if (!html.Has(u"</table>", Compare::Text) || html.Has(u"<table", Compare::Text)) return;
  const Text body = ExpandNotation(u"<BODY BGCOLOR=\"#{COLOUR}\">", call.Colour);
  html.Replace(body, body + Text(TableOpenTag), Compare::Text, Occurrences::First);
}

void Stage13RowEmphasisAndRepair(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u"</td></tr>{CRLF}<u><b><i><tr>", u"</td></tr>{CRLF}<tr><u><b><i>"},
      {u"</td></tr>{CRLF}<u><i><b><tr>", u"</td></tr>{CRLF}<tr><u><b><i>"},
      {u"</td></tr>{CRLF}<b><i><u><tr>", u"</td></tr>{CRLF}<tr><u><b><i>"},
      {u"</td></tr>{CRLF}<b><u><i><tr>", u"</td></tr>{CRLF}<tr><u><b><i>"},
      {u"</td></tr>{CRLF}<i><b><u><tr>", u"</td></tr>{CRLF}<tr><u><b><i>"},
      {u"</td></tr>{CRLF}<i><u><b><tr>", u"</td></tr>{CRLF}<tr><u><b><i>"},
      {u"</td></tr>{CRLF}<b><i><tr>", u"</td></tr>{CRLF}<tr><b><i>"},
      {u"</td></tr>{CRLF}<i><b><tr>", u"</td></tr>{CRLF}<tr><b><i>"},
      {u"</td></tr>{CRLF}<u><i><tr>", u"</td></tr>{CRLF}<tr><u><i>"},
      {u"</td></tr>{CRLF}<i><u><tr>", u"</td></tr>{CRLF}<tr><u><i>"},
      {u"</td></tr>{CRLF}<u><b><tr>", u"</td></tr>{CRLF}<tr><u><b>"},
      {u"</td></tr>{CRLF}<b><u><tr>", u"</td></tr>{CRLF}<tr><u><b>"},
      {u"</td></tr>{CRLF}<i><tr>{SP}", u"</td></tr>{CRLF}<tr><td><i>"},
      {u"</td></tr>{CRLF}<u><tr>{SP}", u"</td></tr>{CRLF}<tr><td><u>"},
      {u"</td></tr>{CRLF}<b><tr>{SP}", u"</td></tr>{CRLF}<tr><td><b>"},
  };
  static const RuleTable kTable = RuleTable::FromNotation(kRules);
  IndexedText& indexed = call.Html;
  if (!indexed.Has(u"<table", Compare::Text) || !indexed.Has(u"</table>", Compare::Text))
    return;
  indexed.Apply(kTable);
  // Most tables come out of the repair as they went in: the index stays,
  // told only of where the result differs.
  indexed.EditNoting([&indexed](Text& html) {
    std::vector<Written> written;
    html = RepairHTMLTables(html, kRepairFillEmptyCells, &written);
    indexed.NoteWritten(written);
  });
}

void Stage14LeftoverMarkers(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u"\\ÎôÎôÎô", u""},
      {u">\\cellx10205<", u"><"},
  };
  call.Html.Apply(kRules);
}

void Stage25CellFormatting(EngineCall& call) {
  if (!call.Html.Has(u"<table", Compare::Text)) return;
  const Text& found = call.Html.text();
  const Pos opens = CountOccurrences(found, u"<table", Compare::Text);
  const Pos closes = CountOccurrences(found, u"</table>", Compare::Text);
  if (opens == 0 || opens != closes) return;
  Text& html = call.Html.Edit();

  // Each round starts where the last "</table>" was found before its table
  // was replaced, so the position moves forward every round; the bound only
  // stops a document whose replacements keep pushing tables ahead of it.
  RunCellFormattingRounds(html, Len(html) + 1,
                          [](const Text& t) { return CarryCellFormatting(t); });
}

}  // namespace skeinlet::detail

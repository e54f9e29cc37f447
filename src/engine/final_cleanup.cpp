// Stages 26, 27 and 28 of RtfToHtml: surplus list and centring ends, the
// tab stops and the character references; the empty trailing cells of
// tables written with many of them; low double quotes, spacer rows and the
// cell widths left in the text.
#include "engine/rtf_to_html.hpp"

#include "normalise/marks.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {
namespace {

// Case-sensitive, so that each capital keeps its own number. The euro sign
// keeps its Windows-1252 number, 128, which is what the pages written so
// far carry; it is not a slip for 8364.
constexpr Rule kCharacterEntities[] = {
    {u"©", u"&#169;", kAll, kExact},
    {u"®", u"&#174;", kAll, kExact},
    {u"À", u"&#192;", kAll, kExact},
    {u"Á", u"&#193;", kAll, kExact},
    {u"Â", u"&#194;", kAll, kExact},
    {u"Ã", u"&#195;", kAll, kExact},
    {u"Ä", u"&#196;", kAll, kExact},
    {u"Ç", u"&#199;", kAll, kExact},
    {u"È", u"&#200;", kAll, kExact},
    {u"É", u"&#201;", kAll, kExact},
    {u"Ê", u"&#202;", kAll, kExact},
    {u"Ö", u"&#214;", kAll, kExact},
    {u"Û", u"&#219;", kAll, kExact},
    {u"Ü", u"&#220;", kAll, kExact},
    {u"Ý", u"&#221;", kAll, kExact},
    {u"ß", u"&#223;", kAll, kExact},
    {u"à", u"&#224;", kAll, kExact},
    {u"á", u"&#225;", kAll, kExact},
    {u"â", u"&#226;", kAll, kExact},
    {u"ã", u"&#227;", kAll, kExact},
    {u"ä", u"&#228;", kAll, kExact},
    {u"ç", u"&#231;", kAll, kExact},
    {u"è", u"&#232;", kAll, kExact},
    {u"é", u"&#233;", kAll, kExact},
    {u"ê", u"&#234;", kAll, kExact},
    {u"ñ", u"&#241;", kAll, kExact},
    {u"ö", u"&#246;", kAll, kExact},
    {u"û", u"&#251;", kAll, kExact},
    {u"ü", u"&#252;", kAll, kExact},
    {u"€", u"&#128;", kAll, kExact},
};

constexpr TextView kManyEmptyCellsRowEnd = u"></font></TD></tr><tr><TD>";

constexpr Rule kTrailingEmptyCells[] = {
    {u"</font></td><td>&nbsp;<font FACE=\"Arial\"></font></TD></tr><tr><TD>",
     u"</font></td></tr><tr><TD>", kAll, kText},
    {u"</font></td><td>&nbsp;<font FACE=\"Symbol\"></font></TD></tr><tr><TD>",
     u"</font></td></tr><tr><TD>", kAll, kText},
    {u"</font></td><td>&nbsp;<font FACE=\"Times New Roman\"></font></TD></tr><tr><TD>",
     u"</font></td></tr><tr><TD>", kAll, kText},
    {u"</font></td><td>&nbsp;<font FACE=\"Courier New\"></font></TD></tr><tr><TD>",
     u"</font></td></tr><tr><TD>", kAll, kText},
    {u"</font></td><td>&nbsp;<font FACE=\"Verdana\"></font></TD></tr><tr><TD>",
     u"</font></td></tr><tr><TD>", kAll, kText},
    {u"<td>&nbsp;<font FACE=\"Arial\"></font></TD></tr></table>", u"</tr></table>", kAll, kText},
    {u"<td>&nbsp;<font FACE=\"Symbol\"></font></TD></tr></table>", u"</tr></table>", kAll, kText},
    {u"<td>&nbsp;<font FACE=\"Times New Roman\"></font></TD></tr></table>", u"</tr></table>",
     kAll, kText},
    {u"<td>&nbsp;<font FACE=\"Courier New\"></font></TD></tr></table>", u"</tr></table>", kAll,
     kText},
    {u"<td>&nbsp;<font FACE=\"Verdana\"></font></TD></tr></table>", u"</tr></table>", kAll,
     kText},
};

constexpr Rule kLowQuotes[] = {
    {u"„", u"&bdquo;", kAll, kText},
};

constexpr Rule kSpacersAndCellWidths[] = {
    {u"000000\"><tr><td colspan=8>&nbsp;</TD></TR><tr><td></font>",
     u"000000\"><tr><td></font>", kAll, kText},
    {u"<tr><td colspan=8><font FACE=\"MS Sans Serif\"SIZE=\"1\"><font FACE=\"Arial\">"
     u"<font SIZE=\"3\">&nbsp;<b></b></font></TD></TR>",
     u"", kAll, kText},
    {u"<tr><td colspan=8><font FACE=\"MS Sans Serif\"SIZE=\"1\"><font FACE=\"Arial\">"
     u"<font SIZE=\"3\">&nbsp;{CRLF}<b></b></font></TD></TR>",
     u"", kAll, kText},
    {u">\\cellx4472\\cellx8636<b>", u"><b>", kAll, kText},
    {u">\\cellx4410<b>", u"><b>", kAll, kText},
    {u">\\cellx4472<b>", u"><b>", kAll, kText},
    {u">\\cellx8636<b>", u"><b>", kAll, kText},
    {u"<tr><td colspan=8><font FACE=\"MS Sans Serif\" SIZE=\"1\"><font FACE=\"Arial\">"
     u"<font SIZE=\"3\">&nbsp;{CRLF}<b></b></font></TD></TR>",
     u"", kAll, kExact},
};

}  // namespace

void Stage26FinalCleanupEntities(EngineCall& call) {
  IndexedText& html = call.Html;
  // List ends that no list start is left to match.
  if (html.Has(u"</ul></ul></ul></ul>", kText) && !html.Has(u"<ul>", kText))
    html.Replace(u"</ul></ul></ul></ul>", u"", kText);
  if (!html.Has(u"<center>", kText)) html.Replace(u"</center>", u"", kText);
  html.Replace(TabStopMark, u"&nbsp;&nbsp;&nbsp;", kText);
  html.ApplyUnitRules(kCharacterEntities);
}

void Stage27TrailingEmptyCells(EngineCall& call) {
  IndexedText& html = call.Html;
  // Only a table written with many empty trailing cells is worth the ten
  // searches; a few such rows are left as they are.
  if (!html.Has(kManyEmptyCellsRowEnd, kText) ||
      CountOccurrences(html.text(), kManyEmptyCellsRowEnd, kText) < 5)
    return;
  html.Apply(kTrailingEmptyCells);
}

void Stage28QuotesSpacersCellWidths(EngineCall& call) {
  static const RuleTable kTable = RuleTable::FromNotation(kSpacersAndCellWidths);
  // A page that already writes its quotes as references gets its low
  // quotes written the same way.
  ApplyGuarded(call.Html, u"&ldquo;", kLowQuotes);
  call.Html.Apply(kTable);
}

}  // namespace skeinlet::detail

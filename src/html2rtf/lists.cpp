// List handlers of HTMLRTFConverter. There is no list table in the RTF:
// every item is an ordinary paragraph whose bullet or number is written as
// text, and one set of list state serves the whole document, so lists do not
// nest (an inner OL resets the numbering of the outer one).
#include "html2rtf/html_to_rtf.hpp"

#include "text/numeric.hpp"

namespace skeinlet::detail {
namespace {

// "\plain" drops bold, italic and underline set before the item; the font is
// chosen again at once, size and colour come back with the next text run.
constexpr TextView kItemMarkStart = u" \\plain\\cf1\\fi720 ";
// U+25CF with "?" for readers that cannot show it.
constexpr TextView kBulletMark = u" \\plain\\cf1\\fi720 \\u9679\\'3f ";

// Appends the current font's "\\f" word.
void AppendFontWord(Text& to) {
  to += u"\\f";
  AppendNumber(to, HtmlRtf().CurrentFont);
}

}  // namespace

void StartUnorderedList() {
  HtmlRtf().ParagraphsInItem = 0;
  BreakParagraph();
}

void StartOrderedList() {
  HtmlRtfState& s = HtmlRtf();
  s.ItemNumber = 0;
  s.OrderedList = true;
  StartUnorderedList();
}

void EndUnorderedList() {
  HtmlRtfState& s = HtmlRtf();
  s.InListItem = false;
  if (!s.ListItemClosed) {
    BreakParagraph();
    Emit(u"\\pard");
    s.ListItemClosed = true;
    EmitTableSuffix();
  }
}

void EndOrderedList() {
  HtmlRtfState& s = HtmlRtf();
  s.ItemNumber = 0;
  s.OrderedList = false;
  EndUnorderedList();
}

void StartListItem() {
  HtmlRtfState& s = HtmlRtf();
  s.InListItem = true;
  if (!s.ListItemClosed) BreakParagraph();
  if (s.OrderedList) {
    s.ItemNumber = CheckedInt16(std::int64_t{s.ItemNumber} + 1);
    s.OutputRtf += kItemMarkStart;
    AppendNumber(s.OutputRtf, s.ItemNumber);
    s.OutputRtf += u". ";
  } else {
    s.OutputRtf += kBulletMark;
  }
  AppendFontWord(s.OutputRtf);
  s.PendingParagraph = false;
  s.TextInCell = false;
  s.ListItemClosed = false;
}

void EndListItem() {
  HtmlRtfState& s = HtmlRtf();
  if (s.ParagraphsInItem == 0) BreakParagraph();
  Emit(u"\\pard");
  s.ListItemClosed = true;
  s.ParagraphsInItem = 0;
  EmitTableSuffix();
}

}  // namespace skeinlet::detail
